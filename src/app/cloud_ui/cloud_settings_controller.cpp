#include "app/cloud_ui/cloud_settings_controller.h"

#include "app/cloud_ui/cloud_settings_engine.h"
#include "core/error.h"
#include "platform/file_reveal.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace lumbex {
namespace {

QLabel* wrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QPushButton* button(const QString& text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// The outcome of an import on the worker thread: the new package, or the failure's message.
struct Imported {
    QString package;
    QString failure;
};

} // namespace

QString CloudSettingsController::chooseFolderMessage() {
    return QStringLiteral("Choose or create a Lumbex folder inside a folder kept in sync by a sync "
                          "client or a network drive. Only this note will sync.");
}

QString CloudSettingsController::importMessage() {
    return QStringLiteral("Choose a capture note from the Notes folder of the sync folder. It "
                          "opens as a new local note; the cloud copy is kept.");
}

CloudSettingsController::CloudSettingsController(CloudSettingsEngine& engine, QWidget* parent)
    : QDialog(parent), engine_(engine), state_(new QLabel(this)), folderLabel_(new QLabel(this)),
      voiceAudio_(
          new QCheckBox(QStringLiteral("Include voice recordings and original transcripts"), this)),
      chooseButton_(button(QStringLiteral("Choose Folder…"), "cloud.chooseFolder", this)),
      connectButton_(button(QStringLiteral("Sync This Note"), "cloud.connect", this)),
      retryButton_(button(QStringLiteral("Retry"), "cloud.retry", this)),
      localButton_(button(QStringLiteral("Stop Syncing"), "cloud.stop", this)),
      revealButton_(button(QStringLiteral("Show in Files"), "cloud.reveal", this)),
      importButton_(button(QStringLiteral("Import Cloud Copy…"), "cloud.import", this)) {
    setWindowTitle(QStringLiteral("Sync & Mobile Review"));
    state_->setObjectName(QStringLiteral("cloud.state"));
    folderLabel_->setObjectName(QStringLiteral("cloud.folder"));
    voiceAudio_->setObjectName(QStringLiteral("cloud.voiceAudio"));
    QFont bold = state_->font();
    bold.setBold(true);
    state_->setFont(bold);
    state_->setWordWrap(true);
    folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(state_);
    layout->addWidget(wrappedLabel(
        QStringLiteral("Open your sync folder → your Lumbex folder → Reviews on a phone or "
                       "tablet. Read the PDF, view images, and play the MP4 beside it."),
        this));
    layout->addWidget(wrappedLabel(
        QStringLiteral("Original images and video stay in your private editable note in the "
                       "sync folder. Reading files include your redactions. Turning off voice "
                       "recordings applies to new revisions; earlier cloud copies are kept."),
        this));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(chooseButton_);
    folderRow->addWidget(folderLabel_, 1);
    layout->addLayout(folderRow);
    layout->addWidget(voiceAudio_);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {connectButton_, retryButton_, localButton_, revealButton_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(importButton_);
    layout->addLayout(buttons);
    setMinimumWidth(560);

    QObject::connect(chooseButton_, &QPushButton::clicked, this, [this] { chooseFolder(); });
    QObject::connect(connectButton_, &QPushButton::clicked, this, [this] { connectNote(); });
    QObject::connect(retryButton_, &QPushButton::clicked, this, [this] { retry(); });
    QObject::connect(localButton_, &QPushButton::clicked, this, [this] { keepLocal(); });
    QObject::connect(revealButton_, &QPushButton::clicked, this, [this] { reveal(); });
    QObject::connect(importButton_, &QPushButton::clicked, this, [this] { importCopy(); });
    QObject::connect(&engine_, &CloudSettingsEngine::changed, this, [this] {
        importedState_.reset();
        refresh();
    });
    voiceAudio_->setChecked(engine_.includesVoiceAudio());
    refresh();
}

std::optional<QString> CloudSettingsController::knownFolder() const {
    return selectedFolder_ ? selectedFolder_ : engine_.folder();
}

void CloudSettingsController::refresh() {
    state_->setText(importedState_.value_or(engine_.label()));
    const std::optional<QString> folder = knownFolder();
    folderLabel_->setText(folder.value_or(
        QStringLiteral("Choose a folder kept in sync by a sync client or a network drive")));
    folderLabel_->setToolTip(folder.value_or(QString()));
    const bool enabled = engine_.isEnabled();
    // A choice not saved yet is the person's; otherwise the box shows what the binding says.
    if (enabled && !selectedFolder_)
        voiceAudio_->setChecked(engine_.includesVoiceAudio());
    connectButton_->setText(enabled ? QStringLiteral("Save Sync Settings")
                                    : QStringLiteral("Sync This Note"));
    connectButton_->setEnabled(folder.has_value() && !saving_);
    retryButton_->setEnabled(enabled && !engine_.isBusy());
    localButton_->setEnabled(enabled);
    revealButton_->setEnabled(folder.has_value());
    importButton_->setEnabled(!saving_);
    chooseButton_->setEnabled(!saving_);
}

void CloudSettingsController::chooseFolder() {
    // Qt's own panel, so that it carries the message and can be answered in tests.
    auto* dialog = new QFileDialog(this, chooseFolderMessage());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Choose Folder"));
    dialog->setWindowModality(Qt::WindowModal);
    // Without a folder known yet the person's home, not wherever the application was started.
    const std::optional<QString> start =
        engine_.folder() ? engine_.folder() : engine_.previousFolder();
    dialog->setDirectory(start.value_or(QDir::homePath()));
    QObject::connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& folder) {
        selectedFolder_ = folder;
        refresh();
    });
    dialog->open();
}

void CloudSettingsController::connectNote() {
    const std::optional<QString> folder = knownFolder();
    if (!folder || saving_)
        return;
    saving_ = true;
    refresh();
    try {
        engine_.connect(*folder, voiceAudio_->isChecked());
        selectedFolder_.reset();
    } catch (const LumbexError& e) {
        showError(e.message());
    }
    saving_ = false;
    refresh();
}

void CloudSettingsController::retry() {
    if (engine_.isEnabled() && !engine_.isBusy())
        engine_.retry();
    refresh();
}

void CloudSettingsController::keepLocal() {
    try {
        engine_.disable();
    } catch (const LumbexError& e) {
        showError(e.message());
    }
    refresh();
}

void CloudSettingsController::reveal() {
    const std::optional<QString> folder = knownFolder();
    if (!folder)
        return;
    const QString target = engine_.publishedReview().value_or(*folder);
    if (revealer)
        revealer(target);
    else
        revealFiles({target});
}

void CloudSettingsController::importCopy() {
    if (saving_)
        return;
    // A capture note is a folder on this system: the panel chooses folders.
    auto* dialog = new QFileDialog(this, importMessage());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Import Copy"));
    dialog->setWindowModality(Qt::WindowModal);
    const std::optional<QString> folder = engine_.folder();
    dialog->setDirectory(folder ? *folder + QStringLiteral("/Notes") : QDir::homePath());
    QObject::connect(dialog, &QFileDialog::fileSelected, this,
                     [this](const QString& package) { importChosen(package); });
    dialog->open();
}

void CloudSettingsController::importChosen(const QString& package) {
    if (!package.endsWith(QStringLiteral(".capturenote"))) {
        showError(QStringLiteral("Choose a capture note: a folder whose name ends in "
                                 ".capturenote."));
        return;
    }
    saving_ = true;
    refresh();
    auto* watcher = new QFutureWatcher<Imported>(this);
    QObject::connect(watcher, &QFutureWatcher<Imported>::finished, this, [this, watcher] {
        watcher->deleteLater();
        saving_ = false;
        const Imported result = watcher->result();
        if (result.failure.isEmpty()) {
            engine_.openNote(result.package);
            importedState_ = QStringLiteral("Imported as a new local note · Cloud files kept");
        } else {
            showError(result.failure);
        }
        refresh();
    });
    CloudSettingsEngine* engine = &engine_;
    watcher->setFuture(QtConcurrent::run([engine, package] {
        try {
            return Imported{engine->importPackage(package), {}};
        } catch (const LumbexError& e) {
            return Imported{{}, e.message()};
        }
    }));
}

void CloudSettingsController::showError(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Warning, message, message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

} // namespace lumbex
