#include "app/desktop/shell_dialogs.h"

#include "capture/capture_settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace lumbex {
namespace {

// An alert-like dialog: bold message, informative text, then the caller's controls and buttons.
QVBoxLayout* alertLayout(QDialog& dialog, const QString& message, const QString& informative) {
    dialog.setWindowTitle(message);
    auto* layout = new QVBoxLayout(&dialog);
    auto* title = new QLabel(
        QStringLiteral("<b>") + message.toHtmlEscaped() + QStringLiteral("</b>"), &dialog);
    auto* detail = new QLabel(informative, &dialog);
    detail->setWordWrap(true);
    detail->setMaximumWidth(420);
    layout->addWidget(title);
    layout->addWidget(detail);
    return layout;
}

QDialogButtonBox* buttons(QDialog& dialog, const QString& accept, const QString& reject) {
    auto* box = new QDialogButtonBox(&dialog);
    box->addButton(accept, QDialogButtonBox::AcceptRole)->setDefault(true);
    box->addButton(reject, QDialogButtonBox::RejectRole);
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return box;
}

} // namespace

std::optional<TimedCaptureChoice> askTimedCapture(QWidget* parent, bool canRepeat) {
    QDialog dialog(parent);
    QVBoxLayout* layout = alertLayout(
        dialog, QStringLiteral("Capture After Delay"),
        QStringLiteral("Choose an area or window first. The countdown then gives you time to "
                       "open a menu or prepare the screen."));
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(10);
    grid->setHorizontalSpacing(16);
    auto* capture = new QComboBox(&dialog);
    capture->addItems({QStringLiteral("Area"), QStringLiteral("Window"),
                       QStringLiteral("Main Display"), QStringLiteral("Last Area")});
    if (!canRepeat)
        qobject_cast<QStandardItemModel*>(capture->model())->item(3)->setEnabled(false);
    auto* delay = new QComboBox(&dialog);
    delay->addItems(
        {QStringLiteral("3 seconds"), QStringLiteral("5 seconds"), QStringLiteral("10 seconds")});
    delay->setCurrentIndex(1);
    auto* after = new QComboBox(&dialog);
    after->addItems({QStringLiteral("Open Editor"), QStringLiteral("Quick Capture")});
    grid->addWidget(new QLabel(QStringLiteral("Capture"), &dialog), 0, 0);
    grid->addWidget(capture, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Delay"), &dialog), 1, 0);
    grid->addWidget(delay, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("After capture"), &dialog), 2, 0);
    grid->addWidget(after, 2, 1);
    layout->addLayout(grid);
    layout->addWidget(buttons(dialog, QStringLiteral("Continue"), QStringLiteral("Cancel")));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    constexpr int delays[] = {3, 5, 10};
    return TimedCaptureChoice{static_cast<CaptureController::Mode>(capture->currentIndex()),
                              delays[delay->currentIndex()], after->currentIndex() == 0};
}

void editCaptureOptions(QWidget* parent, CaptureSettings& settings, bool screenAvailable) {
    QDialog dialog(parent);
    QVBoxLayout* layout = alertLayout(
        dialog, QStringLiteral("Capture Options"),
        QStringLiteral("These options apply to new captures. The delay is chosen separately for "
                       "each timed capture."));
    auto* cursor = new QCheckBox(QStringLiteral("Include mouse pointer"), &dialog);
    cursor->setChecked(settings.includeCursor());
    auto* shadow = new QCheckBox(QStringLiteral("Include window shadow"), &dialog);
    shadow->setChecked(settings.includeWindowShadow());
    auto* permission = new QLabel(
        screenAvailable ? QStringLiteral("Screen capture is available.")
                        : QStringLiteral("Screen capture needs an X11 session. Log in with an "
                                         "X11 (Xorg) session, then reopen Lumbex."),
        &dialog);
    permission->setWordWrap(true);
    layout->addWidget(cursor);
    layout->addWidget(shadow);
    layout->addWidget(permission);
    layout->addWidget(buttons(dialog, QStringLiteral("Save"), QStringLiteral("Cancel")));
    if (dialog.exec() != QDialog::Accepted)
        return;
    settings.setIncludeCursor(cursor->isChecked());
    settings.setIncludeWindowShadow(shadow->isChecked());
}

void showPrivacy(QWidget* parent) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Your work stays with you."),
                    QStringLiteral("Your work stays with you."), QMessageBox::NoButton, parent);
    box.setInformativeText(QStringLiteral(
        "Screenshots, notes, and voice recordings save on this computer. Speech is transcribed "
        "on-device.\n\nSyncing is optional and syncs only the notes you choose. Copy for Agent "
        "writes images and instructions to your chosen project folder. You decide where to "
        "paste or share them.\n\nLumbex has no account, ads, or analytics. Screen and "
        "microphone access are used only when you use those features."));
    box.addButton(QStringLiteral("Done"), QMessageBox::AcceptRole);
    box.exec();
}

void showAbout(QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("About Lumbex"),
                    QStringLiteral("<b>Lumbex</b> ") + QApplication::applicationVersion(),
                    QMessageBox::Ok, parent);
    box.setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    box.setInformativeText(QStringLiteral(
        "Capture. Point. Explain.\nMade for your computer and your existing coding workflow."));
    box.exec();
}

} // namespace lumbex
