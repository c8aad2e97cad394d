#include "app/capture_ui/pin_window.h"
#include "model/note_document.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class PinWindowTest : public ::testing::Test {
protected:
    PinWindowTest() {
        document_ = NoteDocument::fromCapturePNG(test::solidPng(400, 300), QStringLiteral("Pinned"),
                                                 library_.path());
        mediaID_ = document_->note().media.front().id;
    }
    PinWindow* pin() {
        const CaptureNote& note = document_->note();
        auto* window = new PinWindow(test::solidPng(400, 300), note.title,
                                     PinnedSource::of(note, *note.image(mediaID_)), document_.get(),
                                     [this] { ++edits_; });
        window->show();
        return window;
    }
    void addMark(MarkKind kind) {
        document_->change(QStringLiteral("Add Annotation"), [&](CaptureNote& note) {
            Mark mark;
            mark.id = newId();
            mark.mediaID = mediaID_;
            mark.kind = kind;
            mark.start = {10, 10};
            mark.end = {60, 40};
            note.marks.push_back(mark);
        });
    }

    test::TemporaryFolder library_;
    std::unique_ptr<NoteDocument> document_;
    Id mediaID_;
    int edits_ = 0;
};

TEST_F(PinWindowTest, ControlsSetOpacityCopyThePngAndEditTheNote) {
    QPointer<PinWindow> window = pin();
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    QSlider& opacity = window->opacitySlider();
    EXPECT_DOUBLE_EQ(window->windowOpacity(), 1.0);
    opacity.setValue(opacity.minimum());
    // The window system keeps opacity in steps of 1/255.
    EXPECT_NEAR(window->windowOpacity(), 0.25, 1.0 / 255);

    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Copy Image") ||
            button->text() == QStringLiteral("Edit Note"))
            QTest::mouseClick(button, Qt::LeftButton);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->data(QStringLiteral("image/png")), window->png());
    EXPECT_EQ(edits_, 1);
    window->close();
}

TEST_F(PinWindowTest, ClosesWhenTheSourceImageLooksDifferent) {
    struct Case {
        const char* name;
        std::function<void()> edit;
        bool closes;
    };
    const std::vector<Case> cases = {
        {"arrow", [&] { addMark(MarkKind::Arrow); }, false},
        {"redaction", [&] { addMark(MarkKind::Redact); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        document_->undoStack().setIndex(0);
        QPointer<PinWindow> window = pin();
        c.edit();
        QTest::qWait(0);
        if (c.closes) {
            EXPECT_TRUE(!window || window->isInvalidated());
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_FALSE(window) << "a closed pin deletes itself";
        } else {
            ASSERT_TRUE(window);
            EXPECT_FALSE(window->isInvalidated());
            EXPECT_TRUE(window->isVisible());
            window->close();
        }
    }
}

} // namespace
} // namespace lumbex
