#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace lumbex {

// What the document information of a reader PDF says. Everything comes from the note, nothing
// from the clock, so that writing the same revision twice gives the same bytes.
struct PdfStamp {
    QString title;
    QString author;
    QDateTime created;
    QDateTime modified;
    // 16 bytes naming this document (the file identifier of the trailer).
    QByteArray documentID;
};

// Replaces the document information dictionary of a PDF written by QPdfWriter (which stamps the
// time of writing into it) with `stamp`, moves the cross-reference offsets after it and adds the
// file identifier to the trailer. Throws LumbexError ("The mobile PDF could not be created.")
// when the file is not laid out as QPdfWriter writes it.
QByteArray stampPdf(const QByteArray& pdf, const PdfStamp& stamp);

// "D:20240501134510Z" for an instant, in UTC.
QByteArray pdfDate(const QDateTime& instant);

} // namespace lumbex
