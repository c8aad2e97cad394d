#include "platform/export_destination.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"

#include <QFileInfo>
#include <QUuid>
#include <cerrno>
#include <cstdio>

namespace lumbex {
namespace {

QString hiddenSibling(const QString& destination, const QString& suffix) {
    const QString folder = QFileInfo(destination).path();
    return folder + QStringLiteral("/.Lumbex-") +
           QUuid::createUuid().toString(QUuid::WithoutBraces) + suffix;
}

} // namespace

ExportDestination::ExportDestination(QString destination, QString temporaryRoot, QString path)
    : destination_(std::move(destination)), temporaryRoot_(std::move(temporaryRoot)),
      path_(std::move(path)) {}

ExportDestination ExportDestination::file(const QString& destination, const QString& suffix) {
    const QString path = hiddenSibling(destination, suffix);
    return ExportDestination(destination, path, path);
}

ExportDestination ExportDestination::folder(const QString& destination, const QString& name) {
    const QString folder = hiddenSibling(destination, {});
    makeFolder(folder);
    return ExportDestination(destination, folder, folder + u'/' + name);
}

ExportDestination::ExportDestination(ExportDestination&& other) noexcept
    : destination_(std::move(other.destination_)),
      temporaryRoot_(std::exchange(other.temporaryRoot_, {})), path_(std::move(other.path_)) {}

ExportDestination::~ExportDestination() {
    if (!temporaryRoot_.isEmpty())
        removePath(temporaryRoot_);
}

void ExportDestination::moveIntoPlace() {
    if (::rename(encodeFileName(path_).constData(), encodeFileName(destination_).constData()) !=
        0) {
        const int error = errno;
        throw LumbexError(
            QStringLiteral("Could not move the export to “%1”: %2.")
                .arg(displayFileName(QFileInfo(destination_).fileName()), systemErrorText(error)),
            error);
    }
    syncFolder(QFileInfo(destination_).path());
}

} // namespace lumbex
