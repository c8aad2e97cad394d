#include "app/scroll_ui/scroll_capture_ui.h"
#include "model/fast_png.h"
#include "model/image_files.h"
#include "support/event_waiting.h"
#include "support/fake_screen_grabber.h"
#include "support/same_pixels.h"
#include "support/scroll_pages.h"
#include "support/temporary_folder.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::processEventsUntil;

const QSize frameSize(300, 200);

QWidget* visibleWindowTitled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == title)
            return w;
    return nullptr;
}

class ScrollCaptureUITest : public ::testing::Test {
protected:
    ScrollCaptureUITest() {
        shell.hideWindows = [this] { events << QStringLiteral("hide"); };
        shell.restoreWindows = [this] { events << QStringLiteral("restore"); };
        shell.beep = [this] { events << QStringLiteral("beep"); };
    }

    ScrollCaptureUI& makeUI() {
        ui = std::make_unique<ScrollCaptureUI>(
            screen, [this](const NotePackageContents& note, bool) { saved = note; }, shell);
        return *ui;
    }

    QString panelText(const char* objectName) const {
        return ui->panel()->findChild<QLabel*>(QString::fromLatin1(objectName))->text();
    }
    QPushButton* panelButton(const char* objectName) const {
        return ui->panel()->findChild<QPushButton*>(QString::fromLatin1(objectName));
    }
    QImage stitched() const {
        return ImageFiles::image(saved->originals.at(saved->note.media.front().id));
    }

    // Answers the open panel of "Stitch Scroll Images…" with files of the folder.
    void choose(const QStringList& names) {
        auto* dialog = qobject_cast<QFileDialog*>(
            visibleWindowTitled(ScrollingCaptureSession::importPanelMessage()));
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(folder.path());
        QStringList quoted;
        for (const QString& name : names)
            quoted << u'"' + name + u'"';
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(quoted.join(u' '));
        QPushButton* stitch = nullptr;
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("Stitch Images"))
                stitch = button;
        ASSERT_TRUE(stitch && stitch->isEnabled());
        QTest::mouseClick(stitch, Qt::LeftButton);
    }

    const QImage page = test::textPage(frameSize.width(), 900, 5);
    test::TemporaryFolder folder;
    test::FakeScreenGrabber screen{page.copy(QRect(QPoint(0, 0), QSize(800, 600)))};
    ScrollCaptureUI::Shell shell;
    QStringList events;
    std::optional<NotePackageContents> saved;
    std::unique_ptr<ScrollCaptureUI> ui;
};

TEST_F(ScrollCaptureUITest, ChosenImagesAreJoinedInFileNameOrderIntoAStitchedNote) {
    folder.write(QStringLiteral("shot 1.png"), FastPng::encode(page.copy(0, 0, 300, 200)));
    folder.write(QStringLiteral("shot 2.png"), FastPng::encode(page.copy(0, 90, 300, 200)));
    folder.write(QStringLiteral("shot 10.png"), FastPng::encode(page.copy(0, 170, 300, 200)));
    makeUI().stitchImages();
    ui->stitchImages();
    EXPECT_EQ(events, QStringList{QStringLiteral("beep")});
    choose({QStringLiteral("shot 10.png"), QStringLiteral("shot 2.png"),
            QStringLiteral("shot 1.png")});
    ASSERT_TRUE(processEventsUntil([&] { return saved.has_value(); }, 10000));
    EXPECT_EQ(saved->note.media.size(), 4u);
    EXPECT_TRUE(test::samePixels(stitched(), page.copy(0, 0, 300, 370)));
    EXPECT_TRUE(processEventsUntil([&] { return !ui->isBusy() && !ui->panel(); }, 5000));
}

TEST_F(ScrollCaptureUITest, ClosingThePanelWhileCapturingStopsAndKeepsTheFrames) {
    ScrollCaptureUI& capture = makeUI();
    capture.start();
    QWidget* overlay = nullptr;
    ASSERT_TRUE(processEventsUntil(
        [&] { return overlay = visibleWindowTitled(QStringLiteral("Scrolling Capture Area")); },
        5000));
    EXPECT_EQ(events, QStringList{QStringLiteral("hide")});
    // Dragged from (20, 30) to (320, 230) on the desktop.
    const QPoint origin = overlay->geometry().topLeft();
    QTest::mousePress(overlay, Qt::LeftButton, {}, QPoint(20, 30) - origin);
    QMouseEvent drag(QEvent::MouseMove, QPointF(QPoint(200, 100) - origin),
                     overlay->mapToGlobal(QPointF(QPoint(200, 100) - origin)), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(overlay, &drag);
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, QPoint(320, 230) - origin);
    ASSERT_TRUE(processEventsUntil([&] { return capture.session().frameCount() == 1; }, 5000));

    // The page scrolls by 60 pixels.
    screen.desktop = page.copy(QRect(QPoint(0, 60), QSize(800, 600)));
    ASSERT_TRUE(processEventsUntil([&] { return capture.session().frameCount() == 2; }, 5000));
    capture.panel()->close();
    EXPECT_EQ(capture.session().phase(), ScrollingCaptureSession::Phase::Review);
    EXPECT_EQ(panelText("detail"),
              QStringLiteral("Stopped before finishing. Keep the captured part or start again."));
    QTest::mouseClick(panelButton("finish"), Qt::LeftButton);
    ASSERT_TRUE(processEventsUntil([&] { return saved.has_value(); }, 10000));
    EXPECT_TRUE(test::samePixels(stitched(), page.copy(20, 30, 300, 260)));
    EXPECT_TRUE(processEventsUntil([&] { return !capture.isBusy(); }, 5000));
    EXPECT_EQ(events, (QStringList{QStringLiteral("hide"), QStringLiteral("restore")}));
}

TEST_F(ScrollCaptureUITest, EscapeInThePickerEndsTheSessionAndBringsTheWindowsBack) {
    ScrollCaptureUI& capture = makeUI();
    capture.start();
    QWidget* overlay = nullptr;
    ASSERT_TRUE(processEventsUntil(
        [&] { return overlay = visibleWindowTitled(QStringLiteral("Scrolling Capture Area")); },
        5000));
    capture.start();
    QTest::keyClick(overlay, Qt::Key_Escape);
    EXPECT_FALSE(capture.isBusy());
    EXPECT_EQ(events, (QStringList{QStringLiteral("hide"), QStringLiteral("beep"),
                                   QStringLiteral("restore")}));
    EXPECT_TRUE(processEventsUntil(
        [] { return !visibleWindowTitled(QStringLiteral("Scrolling Capture Area")); }, 1000));
    EXPECT_FALSE(saved.has_value());
}

} // namespace
} // namespace lumbex
