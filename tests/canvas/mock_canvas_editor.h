#pragma once

#include "canvas/canvas_editor.h"

#include <QMimeData>
#include <gmock/gmock.h>

namespace lumbex::test {

class MockCanvasEditor : public CanvasEditor {
public:
    MockCanvasEditor() {
        ON_CALL(*this, drawingDefaults()).WillByDefault(::testing::Return(DrawingDefaults{}));
    }
    MOCK_METHOD(DrawingDefaults, drawingDefaults, (), (const, override));
    MOCK_METHOD(void, addMark, (const Mark&), (override));
    MOCK_METHOD(void, updateMark, (const Mark&), (override));
    MOCK_METHOD(void, addTextMark, (const Mark&, bool), (override));
    MOCK_METHOD(void, setCrop, (const Rect&), (override));
    MOCK_METHOD(void, deleteAnnotation, (), (override));
    MOCK_METHOD(void, editSelectedNote, (), (override));
    MOCK_METHOD(void, addCenteredNote, (Point), (override));
    MOCK_METHOD(void, selectTool, (CanvasTool), (override));
    MOCK_METHOD(void, setDisplayZoom, (double, Point), (override));
    MOCK_METHOD(void, extractText, (const Rect&), (override));
    MOCK_METHOD(void, dictateLocation, (const Mark&, const std::optional<Id>&), (override));
    MOCK_METHOD(void, selectionDidChange, (), (override));
    MOCK_METHOD(void, updateMeasurements, (), (override));
    MOCK_METHOD(void, showContextMenu, (const QPoint&), (override));
    MOCK_METHOD(bool, dropImages, (const QMimeData&), (override));
};

} // namespace lumbex::test
