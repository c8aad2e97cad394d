#include "cloud/review_export.h"

#include "cloud/review_pdf.h"
#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"

#include <QFileInfo>
#include <cerrno>
#include <cstdio>

namespace lumbex {

QString exportRevisionText(const CaptureNote& note) {
    return QStringLiteral("r") + QString::number(note.revision);
}

QString reviewPdfFileName(const QString& title) {
    QString safe;
    qsizetype count = 0;
    for (const char32_t c : title.toUcs4()) {
        if (count++ == 64)
            break;
        const bool kept =
            QChar::isLetterOrNumber(c) || QChar::isMark(c) || c == U' ' || c == U'-' || c == U'_';
        safe += kept ? QString::fromUcs4(&c, 1) : QStringLiteral("-");
    }
    safe = safe.trimmed();
    return (safe.isEmpty() ? QStringLiteral("Capture") : safe) + QStringLiteral(".pdf");
}

void exportReviewPdf(const CaptureNote& note, const std::map<Id, QByteArray>& originals,
                     const QString& destination) {
    if (entryKind(destination) == EntryKind::Folder)
        throw LumbexError(QStringLiteral("“%1” is a folder. Choose a file name for the PDF.")
                              .arg(displayFileName(QFileInfo(destination).fileName())));
    const QString folder = QFileInfo(destination).path();
    if (entryKind(folder) != EntryKind::Folder)
        throw LumbexError(QStringLiteral("The folder for “%1” does not exist.")
                              .arg(displayFileName(QFileInfo(destination).fileName())));
    const QString temporary =
        folder + QStringLiteral("/.Lumbex-") + idString(newId()) + QStringLiteral(".pdf");
    try {
        writeReviewPdf(note, originals, exportRevisionText(note), temporary);
        // rename(2) replaces whatever name is at the destination, a symbolic link included,
        // without writing through it.
        if (std::rename(encodeFileName(temporary).constData(),
                        encodeFileName(destination).constData()) != 0)
            throw LumbexError(QStringLiteral("The PDF could not be saved as “%1”: %2.")
                                  .arg(displayFileName(QFileInfo(destination).fileName()),
                                       systemErrorText(errno)),
                              errno);
        syncFolder(folder);
    } catch (...) {
        removePath(temporary);
        throw;
    }
}

} // namespace lumbex
