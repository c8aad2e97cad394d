#include "cloud/pdf_stamp.h"

#include "core/error.h"

#include <QTimeZone>
#include <vector>

namespace lumbex {
namespace {

LumbexError notCreated() {
    return LumbexError(QStringLiteral("The mobile PDF could not be created."));
}

// The decimal number at `at` after optional white space; `at` moves past it.
qint64 readNumber(const QByteArray& pdf, qsizetype& at) {
    while (at < pdf.size() && (pdf[at] == ' ' || pdf[at] == '\n' || pdf[at] == '\r'))
        ++at;
    const qsizetype start = at;
    qint64 value = 0;
    while (at < pdf.size() && pdf[at] >= '0' && pdf[at] <= '9' && at - start < 12)
        value = value * 10 + (pdf[at++] - '0');
    if (at == start)
        throw notCreated();
    return value;
}

void expect(const QByteArray& pdf, qsizetype& at, QByteArrayView text) {
    if (pdf.mid(at, text.size()) != text)
        throw notCreated();
    at += text.size();
}

// A text string as UTF-16 big-endian hex, which any reader decodes whatever the characters.
QByteArray textString(const QString& text) {
    QByteArray utf16("\xFE\xFF", 2);
    for (const QChar c : text) {
        utf16.append(char(c.unicode() >> 8));
        utf16.append(char(c.unicode() & 0xFF));
    }
    return '<' + utf16.toHex().toUpper() + '>';
}

struct CrossReference {
    qsizetype position = 0;      // of the "xref" keyword
    std::vector<qint64> offsets; // by object number; -1 for free entries
    qsizetype trailerStart = 0;
    qsizetype trailerEnd = 0; // just after the trailer dictionary's ">>"
    qint64 infoObject = 0;
};

CrossReference readCrossReference(const QByteArray& pdf) {
    CrossReference xref;
    qsizetype at = pdf.lastIndexOf("startxref");
    if (at < 0)
        throw notCreated();
    at += 9;
    xref.position = readNumber(pdf, at);
    if (xref.position <= 0 || xref.position >= pdf.size())
        throw notCreated();
    at = xref.position;
    expect(pdf, at, "xref\n");
    if (readNumber(pdf, at) != 0)
        throw notCreated();
    const qint64 count = readNumber(pdf, at);
    expect(pdf, at, "\n");
    if (count < 2 || at + count * 20 > pdf.size())
        throw notCreated();
    for (qint64 i = 0; i < count; ++i, at += 20) {
        const QByteArray entry = pdf.mid(at, 20);
        bool ok = false;
        const qint64 offset = entry.left(10).toLongLong(&ok);
        if (!ok || entry[10] != ' ' || (entry[17] != 'n' && entry[17] != 'f'))
            throw notCreated();
        xref.offsets.push_back(entry[17] == 'n' ? offset : -1);
    }
    xref.trailerStart = at;
    expect(pdf, at, "trailer\n<<");
    const qsizetype close = pdf.indexOf(">>", at);
    const qsizetype info = pdf.indexOf("/Info ", at);
    if (close < 0 || info < 0 || info > close)
        throw notCreated();
    xref.trailerEnd = close + 2;
    qsizetype infoAt = info + 6;
    xref.infoObject = readNumber(pdf, infoAt);
    if (xref.infoObject <= 0 || xref.infoObject >= qint64(xref.offsets.size()) ||
        xref.offsets[xref.infoObject] <= 0)
        throw notCreated();
    return xref;
}

QByteArray infoObject(qint64 number, const PdfStamp& stamp) {
    return QByteArray::number(number) + " 0 obj\n<<\n/Title " + textString(stamp.title) +
           "\n/Author " + textString(stamp.author) + "\n/Creator " + textString(stamp.author) +
           "\n/Producer " + textString(stamp.author) + "\n/CreationDate (" +
           pdfDate(stamp.created) + ")\n/ModDate (" + pdfDate(stamp.modified) + ")\n>>\nendobj\n";
}

} // namespace

QByteArray pdfDate(const QDateTime& instant) {
    return "D:" + instant.toTimeZone(QTimeZone::utc()).toString(u"yyyyMMddHHmmss").toLatin1() + 'Z';
}

QByteArray stampPdf(const QByteArray& pdf, const PdfStamp& stamp) {
    if (!pdf.startsWith("%PDF-") || stamp.documentID.size() != 16)
        throw notCreated();
    const CrossReference xref = readCrossReference(pdf);
    const qint64 infoStart = xref.offsets[xref.infoObject];
    qsizetype at = infoStart;
    expect(pdf, at, QByteArray::number(xref.infoObject) + " 0 obj\n");
    const qsizetype infoEnd = pdf.indexOf("endobj\n", at);
    if (infoEnd < 0 || infoEnd >= xref.position)
        throw notCreated();
    const QByteArray info = infoObject(xref.infoObject, stamp);
    const qint64 shift = info.size() - (infoEnd + 7 - infoStart);

    QByteArray out;
    out.reserve(pdf.size() + info.size() + 200);
    out.append(pdf.left(infoStart));
    out.append(info);
    out.append(pdf.mid(infoEnd + 7, xref.position - (infoEnd + 7)));
    out.append("xref\n0 " + QByteArray::number(qint64(xref.offsets.size())) + '\n');
    for (const qint64 offset : xref.offsets) {
        if (offset < 0) {
            out.append("0000000000 65535 f \n");
            continue;
        }
        const qint64 moved = offset > infoStart ? offset + shift : offset;
        out.append(QByteArray::number(moved).rightJustified(10, '0') + " 00000 n \n");
    }
    const QByteArray id = '<' + stamp.documentID.toHex().toUpper() + '>';
    out.append(pdf.mid(xref.trailerStart, xref.trailerEnd - 2 - xref.trailerStart));
    out.append("/ID [" + id + ' ' + id + "]\n>>\nstartxref\n" +
               QByteArray::number(xref.position + shift) + "\n%%EOF\n");
    return out;
}

} // namespace lumbex
