#include "app/recording_ui/record_screen_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumbex {
namespace {

QComboBox* popUp(const QString& accessibleName,
                 const std::vector<std::pair<QString, QVariant>>& items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setAccessibleName(accessibleName);
    for (const auto& [title, value] : items)
        box->addItem(title, value);
    return box;
}

} // namespace

RecordScreenDialog::RecordScreenDialog(bool displayReadable, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Record Screen"));
    using Source = RecordingRequest::Source;
    source_ = popUp(QStringLiteral("Recording source"),
                    {{QStringLiteral("Area"), int(Source::Area)},
                     {QStringLiteral("Window"), int(Source::Window)},
                     {displayReadable ? QStringLiteral("Main Display") : QStringLiteral("Display"),
                      int(Source::Display)}},
                    this);
    longestSide_ = popUp(QStringLiteral("Recording resolution"),
                         {{QStringLiteral("Up to 1920 px"), 1920},
                          {QStringLiteral("Up to 1280 px"), 1280},
                          {QStringLiteral("Original pixels"), 0}},
                         this);
    countdown_ = popUp(QStringLiteral("Recording countdown"),
                       {{QStringLiteral("3 seconds"), 3},
                        {QStringLiteral("5 seconds"), 5},
                        {QStringLiteral("10 seconds"), 10}},
                       this);
    pointer_ = new QCheckBox(QStringLiteral("Show pointer"), this);
    pointer_->setChecked(true);
    clicks_ = new QCheckBox(QStringLiteral("Show clicks"), this);
    systemAudio_ = new QCheckBox(QStringLiteral("Record system audio"), this);
    microphone_ = new QCheckBox(QStringLiteral("Record microphone"), this);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(10);
    int row = 0;
    for (const auto& [label, box] : {std::pair{QStringLiteral("Source"), source_},
                                     std::pair{QStringLiteral("Longest side"), longestSide_},
                                     std::pair{QStringLiteral("Countdown"), countdown_}}) {
        grid->addWidget(new QLabel(label, this), row, 0, Qt::AlignRight);
        grid->addWidget(box, row++, 1);
    }
    for (QCheckBox* check : {pointer_, clicks_, systemAudio_, microphone_})
        grid->addWidget(check, row++, 1);

    auto* text = new QLabel(QStringLiteral("Choose the source, then reproduce the problem. Pause "
                                           "and Stop stay available in the floating controls and "
                                           "Lumbex menu."),
                            this);
    text->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Continue"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    setMinimumWidth(340);
}

RecordingRequest RecordScreenDialog::request() const {
    RecordingRequest request;
    request.source = RecordingRequest::Source(source_->currentData().toInt());
    request.countdown = countdown_->currentData().toInt();
    const int side = longestSide_->currentData().toInt();
    if (side > 0)
        request.options.longestSide = side;
    request.options.cursor = pointer_->isChecked();
    request.options.clicks = clicks_->isChecked();
    request.options.systemAudio = systemAudio_->isChecked();
    request.options.microphone = microphone_->isChecked();
    return request;
}

std::optional<RecordingRequest> RecordScreenDialog::ask(bool displayReadable, QWidget* parent) {
    RecordScreenDialog dialog(displayReadable, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.request();
}

} // namespace lumbex
