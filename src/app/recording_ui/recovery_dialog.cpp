#include "app/recording_ui/recovery_dialog.h"

#include "core/dates.h"
#include "platform/file_reveal.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimeZone>
#include <QVBoxLayout>

namespace lumbex {
namespace {

QString when(Date createdAt) {
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(
        qint64((createdAt + kReferenceDateUnixSeconds) * 1000), QTimeZone::systemTimeZone());
    return QLocale(QLocale::English, QLocale::UnitedStates)
        .toString(moment, QStringLiteral("MMM d, yyyy 'at' h:mm AP"));
}

} // namespace

RecoveryDialog::RecoveryDialog(std::vector<PendingRecording> candidates, QWidget* parent)
    : QDialog(parent), candidates_(std::move(candidates)), recordings_(new QComboBox(this)),
      detail_(new QLabel(this)) {
    setWindowTitle(candidates_.size() == 1 ? QStringLiteral("Recording Found")
                                           : QStringLiteral("Recordings Found"));
    auto* text = new QLabel(QStringLiteral("Choose a recording to recover as a new note. Lumbex "
                                           "will open the readable footage and keep the original "
                                           "files."),
                            this);
    text->setWordWrap(true);
    recordings_->setAccessibleName(QStringLiteral("Recording to recover"));
    for (const PendingRecording& candidate : candidates_)
        recordings_->addItem(candidate.title + QStringLiteral(" · ") + when(candidate.createdAt));
    detail_->setWordWrap(true);
    connect(recordings_, &QComboBox::currentIndexChanged, this, &RecoveryDialog::showDetail);
    showDetail();

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* recover =
        buttons->addButton(QStringLiteral("Recover"), QDialogButtonBox::AcceptRole);
    recover->setDefault(true);
    QPushButton* later = buttons->addButton(QStringLiteral("Later"), QDialogButtonBox::RejectRole);
    QPushButton* choose =
        buttons->addButton(QStringLiteral("Choose Folder…"), QDialogButtonBox::ActionRole);
    QPushButton* show =
        buttons->addButton(QStringLiteral("Show Files"), QDialogButtonBox::HelpRole);
    connect(recover, &QPushButton::clicked, this, [this] {
        choice_ = Choice::Recover;
        accept();
    });
    connect(later, &QPushButton::clicked, this, &QDialog::reject);
    connect(choose, &QPushButton::clicked, this, [this] {
        choice_ = Choice::ChooseFolder;
        accept();
    });
    connect(show, &QPushButton::clicked, this, [this] { revealFiles({selected().directory}); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(recordings_);
    layout->addWidget(detail_);
    layout->addWidget(buttons);
    setMinimumWidth(440);
}

const PendingRecording& RecoveryDialog::selected() const {
    return candidates_.at(size_t(std::max(0, recordings_->currentIndex())));
}

void RecoveryDialog::showDetail() {
    detail_->setText(selected().detail);
}

std::pair<RecoveryDialog::Choice, QString>
RecoveryDialog::ask(std::vector<PendingRecording> candidates, QWidget* parent) {
    RecoveryDialog dialog(std::move(candidates), parent);
    dialog.exec();
    return {dialog.choice(),
            dialog.choice() == Choice::Recover ? dialog.selected().directory : QString()};
}

std::optional<QString> chooseRecordingFolder(const QString& startFolder, QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Recover Recording"), startFolder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Recover"));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* message = new QLabel(QStringLiteral("Choose an interrupted recording folder. The "
                                                  "original files will be kept; readable segments "
                                                  "open as a new note."),
                                   &dialog);
        message->setWordWrap(true);
        grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace lumbex
