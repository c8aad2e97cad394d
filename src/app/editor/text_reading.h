#pragma once

#include "core/rect.h"
#include "recognition/image_recognition.h"

#include <QPointer>
#include <functional>
#include <optional>

namespace lumbex {

class EditorContext;
class RecognitionWindow;

// "Extract Text…", "Extract Selected Text…" and "Read QR Code…" of the active image: one
// RecognitionWindow at a time shows what the reading found. Without engines nothing can be read.
class TextReading {
public:
    // `commitEditing` ends typing in the inspector before the note is read.
    TextReading(EditorContext& context, std::function<void()> commitEditing);

    void setEngines(RecognitionEngines engines);
    // Whether the active image can be read now.
    bool available() const;
    // Reads the whole visible image, or only `selection` (source pixels).
    void read(bool qrOnly, const std::optional<Rect>& selection);
    // Reads the measured area, or lets the person drag one out on the canvas first.
    void readSelection();
    RecognitionWindow* window() const;
    // The note changed: a reading of content that is gone is dropped.
    void noteChanged();

private:
    EditorContext& context_;
    std::function<void()> commitEditing_;
    std::optional<RecognitionEngines> engines_;
    QPointer<RecognitionWindow> window_;
};

} // namespace lumbex
