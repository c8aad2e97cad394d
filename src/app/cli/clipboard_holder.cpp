#include "app/cli/clipboard_holder.h"

#include "core/error.h"
#include "core/files.h"
#include "core/ids.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>

namespace lumbex::cli {
namespace {

constexpr int kReadyTimeoutMs = 5000;

[[noreturn]] void copyFailed() {
    throw LumbexError(
        QStringLiteral("Couldn’t copy the request. The prepared files are still available."));
}

} // namespace

void offerOnClipboard(const QString& text) {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        copyFailed();
    const QString ready =
        QDir::temp().filePath(QStringLiteral("lumbex-clipboard-") + idString(newId()));
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                 {QStringLiteral("hold-clipboard"), ready, text}))
        copyFailed();
    const QDeadlineTimer deadline(kReadyTimeoutMs);
    while (!QFile::exists(ready)) {
        if (deadline.hasExpired())
            copyFailed();
        QThread::msleep(10);
    }
    QFile::remove(ready);
}

int holdClipboard(const QString& readyFile, const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text, QClipboard::Clipboard);
    QCoreApplication::processEvents();
    if (!clipboard->ownsClipboard())
        return 1;
    QObject::connect(clipboard, &QClipboard::changed, [clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard())
            QCoreApplication::quit();
    });
    writeFileAtomically(readyFile, {});
    return QCoreApplication::exec();
}

} // namespace lumbex::cli
