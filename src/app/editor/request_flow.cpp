#include "app/editor/request_flow.h"

#include "app/editor/clipboard_toast.h"
#include "app/editor/clipboard_watch.h"
#include "app/editor/request_summary.h"
#include "core/error.h"
#include "model/note_document.h"
#include "platform/file_reveal.h"
#include "voice/voice_session.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace lumbex {

RequestFlow::RequestFlow(NoteDocument& document, QSettings& settings, ClipboardWatch& clipboard,
                         std::function<Id()> activeImage, QWidget* window)
    : QObject(window), document_(document), handoffSettings_(settings), clipboard_(clipboard),
      activeImage_(std::move(activeImage)), window_(window),
      controller_(
          handoffSettings_,
          [this] {
              return RequestContext{document_.note(), activeImage_(), destination()};
          },
          this) {
    controller_.restoreLastHandoff(document_.note().id);
    connect(&controller_, &HandoffController::statusChanged, this, [this](const QString& message) {
        if (onStatus)
            onStatus(message, std::nullopt);
        if (onRefresh)
            onRefresh();
    });
    connect(&controller_, &HandoffController::failed, this, [this](const LumbexError& error) {
        if (error.kind() == LumbexError::Kind::Outdated) {
            if (onStatus)
                onStatus(error.message(), std::nullopt);
        } else {
            if (onStatus)
                onStatus({}, std::nullopt);
            if (onError)
                onError(error.message());
        }
        if (onRefresh)
            onRefresh();
    });
    connect(&controller_, &HandoffController::prepared, this, &RequestFlow::finishCopy);
}

std::optional<QString> RequestFlow::destination() const {
    return handoffSettings_.destination(document_.note().id);
}

bool RequestFlow::destinationIsBroken() const {
    return handoffSettings_.destinationIsBroken(document_.note().id);
}

void RequestFlow::setDestination(const std::optional<QString>& folder) {
    handoffSettings_.setDestination(document_.note().id, folder);
    controller_.invalidate();
    if (onRefresh)
        onRefresh();
}

void RequestFlow::copyForAgent() {
    if (commitEditing)
        commitEditing();
    // The request carries what the voice notes said: they finish and are saved first.
    if (!VoiceSession::pending(&document_).empty())
        VoiceSession::finishAllAndWait(&document_);
    const Id active = activeImage_();
    std::optional<RequestPlan> plan;
    try {
        plan = RequestPlan::build(document_.note(), active);
    } catch (const LumbexError& e) {
        if (onError)
            onError(e.message());
        return;
    }
    const std::optional<QString> folder = destination();
    if (!folder) {
        chooseDestination([this, window = window_] {
            if (window)
                copyForAgent();
        });
        return;
    }
    controller_.start(*plan, document_.contents().originals, *folder, active,
                      clipboard_.changeCount());
}

void RequestFlow::finishCopy(const HandoffResult& result, quint64 clipboardChangeCount) {
    if (clipboard_.changeCount() != clipboardChangeCount) {
        if (onStatus)
            onStatus(QStringLiteral("Clipboard changed. Copy again."), std::nullopt);
        if (onRefresh)
            onRefresh();
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(result.clipboard());
    if (clipboard->text() != result.clipboard()) {
        if (onError)
            onError(QStringLiteral(
                "Couldn’t copy the request. The prepared files are still available."));
        return;
    }
    if (onStatus)
        onStatus(QStringLiteral("Copied · Paste into Codex or Claude"), document_.note());
    if (onRefresh)
        onRefresh();
    ClipboardToast::show(result.request, window_ ? window_->screen() : nullptr);
}

void RequestFlow::chooseDestination(std::function<void()> completion) {
    if (!window_)
        return;
    const bool broken = destinationIsBroken();
    const QString message =
        broken ? QStringLiteral("Your project folder moved or is unavailable. Choose the intended "
                                "folder again. Existing prepared files will stay where they are.")
               : QStringLiteral("Choose the project folder used by your Codex or Claude session. "
                                "Requests and annotated images are saved in .lumbex/handoffs "
                                "inside this folder.");
    if (broken && onStatus)
        onStatus(QStringLiteral("Reconnect the project folder before copying."), std::nullopt);

    // Qt's own dialog, so that the message and the check box can sit inside it.
    auto* dialog = new QFileDialog(window_, message);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Use Project Folder"));
    dialog->setWindowModality(Qt::WindowModal);
    if (const std::optional<QString> current = destination())
        dialog->setDirectory(*current);
    auto* useForNew = new QCheckBox(QStringLiteral("Use this folder for new notes"), dialog);
    auto* explanation = new QLabel(message, dialog);
    explanation->setWordWrap(true);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout())) {
        const int row = grid->rowCount();
        grid->addWidget(explanation, row, 0, 1, grid->columnCount());
        grid->addWidget(useForNew, row + 1, 0, 1, grid->columnCount());
    }
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, useForNew, completion](const QString& folder) {
                setDestination(folder);
                if (useForNew->isChecked())
                    handoffSettings_.setDefaultDestination(folder);
                if (completion)
                    completion();
            });
    dialog->open();
}

void RequestFlow::reviewRequest() {
    if (commitEditing)
        commitEditing();
    std::optional<RequestPlan> plan;
    try {
        plan = RequestPlan::build(document_.note(), activeImage_());
    } catch (const LumbexError& e) {
        if (onError)
            onError(e.message());
        return;
    }
    auto* dialog = new QDialog(window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Request Preview"));
    dialog->setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(dialog);
    auto* title = new QLabel(QStringLiteral("<b>Request Preview</b>"), dialog);
    auto* summary = new QLabel(
        previewSummary(plan->noteCount(), int(plan->media().size()), plan->note().reviewOnly),
        dialog);
    auto* text = new QPlainTextEdit(plan->markdown(), dialog);
    text->setReadOnly(true);
    text->setObjectName(QStringLiteral("Request document"));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSize(12);
    text->setFont(mono);
    text->document()->setDocumentMargin(10);
    text->setMinimumSize(590, 390);
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* copy =
        buttons->addButton(QStringLiteral("Copy for Agent"), QDialogButtonBox::AcceptRole);
    QPushButton* back = buttons->addButton(QStringLiteral("Back"), QDialogButtonBox::RejectRole);
    copy->setEnabled(document_.note().hasRequest());
    back->setShortcut(Qt::Key_Escape);
    layout->addWidget(title);
    layout->addWidget(summary);
    layout->addWidget(text, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [this, dialog] {
        dialog->accept();
        copyForAgent();
    });
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    dialog->open();
}

void RequestFlow::showLastPreparedFiles() {
    const std::optional<HandoffResult>& last = controller_.lastHandoff();
    if (!last)
        return;
    QStringList files{last->request};
    files.append(last->images);
    revealFiles(files);
}

} // namespace lumbex
