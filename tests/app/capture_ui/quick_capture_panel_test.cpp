#include "app/capture_ui/quick_capture_panel.h"
#include "app/editor/clipboard_toast.h"
#include "core/error.h"
#include "core/files.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class QuickCapturePanelTest : public ::testing::Test {
protected:
    QuickCapturePanel* open(QuickCapturePanel::TextRecognition recognition = {}) {
        QuickCapturePanel::Actions actions{[this] { ++edits_; },
                                           [this] {
                                               if (pinFailure_)
                                                   throw LumbexError(*pinFailure_);
                                               ++pins_;
                                           },
                                           [this] { return saveTo_; },
                                           [this](const QString& file) { shared_ = file; },
                                           std::move(recognition)};
        panel_ = new QuickCapturePanel(png_, QStringLiteral("Capture"), std::move(actions));
        panel_->present({10, 10, 40, 30});
        return panel_;
    }
    void click(const QString& text) {
        QPushButton* button = panel_->button(text);
        ASSERT_TRUE(button) << text.toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void TearDown() override {
        if (panel_)
            panel_->close();
    }

    test::TemporaryFolder folder_;
    QByteArray png_ = test::solidPng(40, 30);
    QPointer<QuickCapturePanel> panel_;
    int edits_ = 0;
    int pins_ = 0;
    std::optional<QString> pinFailure_;
    QString saveTo_;
    QString shared_;
};

TEST_F(QuickCapturePanelTest, OffersThePngOnTheClipboardAtOnce) {
    open();
    EXPECT_TRUE(panel_->isVisible());
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->data(QStringLiteral("image/png")), png_);
    ASSERT_TRUE(ClipboardToast::current());
    EXPECT_TRUE(ClipboardToast::current()->isVisible());

    QApplication::clipboard()->setText(QStringLiteral("something else"));
    click(QStringLiteral("Copy Image"));
    EXPECT_EQ(QApplication::clipboard()->mimeData()->data(QStringLiteral("image/png")), png_);
}

TEST_F(QuickCapturePanelTest, SavesThePngAsChosen) {
    open();
    saveTo_ = folder_.path() + QStringLiteral("/shot");
    click(QStringLiteral("Save Image"));
    EXPECT_EQ(panel_->status(), QStringLiteral("Image saved"));
    EXPECT_EQ(test::fileBytes(saveTo_ + QStringLiteral(".png")), png_);

    saveTo_ = folder_.path() + QStringLiteral("/missing/shot.png");
    click(QStringLiteral("Save Image"));
    EXPECT_TRUE(panel_->status().startsWith(QStringLiteral("Couldn’t save: ")))
        << panel_->status().toStdString();
}

TEST_F(QuickCapturePanelTest, PinShareAndEditReachTheShell) {
    open();
    click(QStringLiteral("Pin Image"));
    EXPECT_EQ(pins_, 1);
    pinFailure_ = QStringLiteral("The image is too large.");
    click(QStringLiteral("Pin Image"));
    EXPECT_EQ(panel_->status(), QStringLiteral("Couldn’t pin: The image is too large."));

    click(QStringLiteral("Share Image"));
    ASSERT_FALSE(shared_.isEmpty());
    EXPECT_TRUE(shared_.endsWith(QStringLiteral("/Capture.png"))) << shared_.toStdString();
    EXPECT_EQ(test::fileBytes(shared_), png_);

    click(QStringLiteral("Edit"));
    EXPECT_EQ(edits_, 1);
    EXPECT_FALSE(panel_ && panel_->isVisible());
}

TEST_F(QuickCapturePanelTest, CopyTextWaitsForRecognition) {
    open();
    EXPECT_FALSE(panel_->button(QStringLiteral("Copy Text (OCR)"))->isEnabled());
    panel_->close();

    std::function<void(const QString&)> report;
    QByteArray recognised;
    open([&](const QByteArray& png, std::function<void(const QString&)> done) {
        recognised = png;
        report = std::move(done);
    });
    ASSERT_TRUE(panel_->button(QStringLiteral("Copy Text (OCR)"))->isEnabled());
    click(QStringLiteral("Copy Text (OCR)"));
    EXPECT_EQ(recognised, png_);
    report(QStringLiteral("No text found"));
    EXPECT_EQ(panel_->status(), QStringLiteral("No text found"));
}

TEST_F(QuickCapturePanelTest, AClickInAnotherWindowDismissesIt) {
    open();
    QWidget other;
    other.show();
    QTest::mouseClick(panel_->button(QStringLiteral("Copy Image")), Qt::LeftButton);
    EXPECT_TRUE(panel_ && panel_->isVisible());
    QTest::mouseClick(&other, Qt::LeftButton);
    EXPECT_FALSE(panel_ && panel_->isVisible());
}

} // namespace
} // namespace lumbex
