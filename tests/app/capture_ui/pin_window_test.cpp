#include "app/capture_ui/pin_window.h"
#include "model/note_document.h"
#include "support/qt_printers.h"
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

TEST(PinWindowSize, FollowsTheImageWithinItsLimits) {
    struct Case {
        QSize image;
        QSize window;
    };
    const std::vector<Case> cases = {
        {{400, 300}, {400, 340}},  // fits: as the image, plus the controls
        {{100, 100}, {320, 360}},  // narrow: widened to 320, height at that width
        {{1200, 600}, {600, 340}}, // wide: narrowed to 600, height at that width
        {{600, 2000}, {600, 640}}, // tall: the image part at most 600
        {{1000, 200}, {600, 200}}, // low: 120 at that width, so 200 in all
        {{400, 170}, {400, 210}},  // 170 high keeps the image
        {{400, 159}, {400, 200}},  // lower than 160: 200 in all
    };
    for (const Case& c : cases)
        EXPECT_EQ(pinWindowSize(c.image), c.window) << c.image.width() << "x" << c.image.height();
}

class PinWindowTest : public ::testing::Test {
protected:
    PinWindowTest() {
        document_ =
            NoteDocument::fromCapturePNG(test::solidPng(400, 300), QStringLiteral("Pinned"));
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

    std::unique_ptr<NoteDocument> document_;
    Id mediaID_;
    int edits_ = 0;
};

TEST_F(PinWindowTest, ShowsTheSnapshotWithItsControls) {
    QPointer<PinWindow> window = pin();
    EXPECT_EQ(window->windowTitle(), document_->note().title);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->toolTip().startsWith(QStringLiteral("Pinned snapshot. Drag into")));
    QSlider& opacity = window->opacitySlider();
    EXPECT_EQ(opacity.accessibleName(), QStringLiteral("Pinned image opacity"));
    EXPECT_DOUBLE_EQ(window->windowOpacity(), 1.0);
    opacity.setValue(opacity.minimum());
    // The window system keeps opacity in steps of 1/255.
    EXPECT_NEAR(window->windowOpacity(), 0.25, 1.0 / 255);

    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Edit Note"))
            QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(edits_, 1);
    window->close();
}

TEST_F(PinWindowTest, CopyImagePutsThePngOnTheClipboard) {
    QPointer<PinWindow> window = pin();
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Copy Image"))
            QTest::mouseClick(button, Qt::LeftButton);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->data(QStringLiteral("image/png")), window->png());
    window->close();
}

TEST_F(PinWindowTest, ClosesWhenTheSourceImageLooksDifferent) {
    struct Case {
        const char* name;
        std::function<void()> edit;
        bool closes;
    };
    const std::vector<Case> cases = {
        {"title",
         [&] {
             document_->change(QStringLiteral("Rename"),
                               [](CaptureNote& note) { note.title = QStringLiteral("Other"); });
         },
         false},
        {"arrow", [&] { addMark(MarkKind::Arrow); }, false},
        {"redaction", [&] { addMark(MarkKind::Redact); }, true},
        {"crop",
         [&] {
             document_->change(QStringLiteral("Crop Image"), [&](CaptureNote& note) {
                 note.media.front().crop = Rect{0, 0, 200, 100};
             });
         },
         true},
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
