#include "platform/lumbex_module.h"

#include "core/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace lumbex {
namespace {

LumbexError notLoaded(const QString& fileName, const QString& reason) {
    return LumbexError(
        QStringLiteral("Lumbex could not load its module “%1”: %2. Reinstall Lumbex.")
            .arg(fileName, reason));
}

QString executableFolder() {
    const QString executable = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return executable.isEmpty() ? QString() : QFileInfo(executable).absolutePath();
}

// Beside the executable in a build folder; in the library folder of an installed one.
QString locate(const QString& fileName) {
    const QString folder = executableFolder();
    const QString beside = folder + u'/' + fileName;
    struct stat status {};
    if (::lstat(QFile::encodeName(beside).constData(), &status) == 0)
        return beside;
    return QDir::cleanPath(folder + QStringLiteral("/" LUMBEX_MODULE_FOLDER_FROM_EXECUTABLE "/") +
                           fileName);
}

} // namespace

const void* openLumbexModuleAt(const QString& path, const char* entryFunction) {
    const QString fileName = QFileInfo(path).fileName();
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        throw notLoaded(fileName, QStringLiteral("it is missing"));
    if (!S_ISREG(status.st_mode))
        throw notLoaded(fileName, QStringLiteral("it is not a regular file"));

    // dlerror() is process-wide state: one loader at a time reads it.
    static std::mutex loading;
    const std::lock_guard lock(loading);
    void* module = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        throw notLoaded(fileName, QString::fromLocal8Bit(::dlerror()));
    using Entry = const void* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(module, entryFunction));
    if (!entry) {
        ::dlclose(module);
        throw notLoaded(
            fileName,
            QStringLiteral("it has no entry “%1”").arg(QString::fromLatin1(entryFunction)));
    }
    return entry();
}

const void* openLumbexModule(const QString& fileName, const char* entryFunction) {
    return openLumbexModuleAt(locate(fileName), entryFunction);
}

} // namespace lumbex
