#include "core/file_names.h"

#include <QStringView>


namespace lumbex {
namespace {

constexpr char16_t kCarriedByteBase = 0xDC00;

// A low surrogate that ends a real pair is a character, not a carried byte.
bool isCarriedByte(QStringView name, qsizetype i) {
    const char16_t unit = name[i].unicode();
    return unit >= kCarriedByteBase + 0x80 && unit <= kCarriedByteBase + 0xFF &&
           (i == 0 || !name[i - 1].isHighSurrogate());
}

// Length of the valid UTF-8 sequence starting at `i`, or 0 when the byte there starts none.
qsizetype validSequenceLength(QByteArrayView bytes, qsizetype i) {
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    char32_t minimum = 0;
    char32_t value = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (qsizetype k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not valid UTF-8.
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString decodeFileName(QByteArrayView bytes) {
    QString name;
    name.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype length = validSequenceLength(bytes, i);
        if (length == 0) {
            name.append(QChar(char16_t(kCarriedByteBase + static_cast<unsigned char>(bytes[i]))));
            ++i;
            continue;
        }
        name.append(QString::fromUtf8(bytes.sliced(i, length)));
        i += length;
    }
    return name;
}

QByteArray encodeFileName(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        if (end > runStart)
            bytes.append(QStringView(name).sliced(runStart, end - runStart).toUtf8());
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isCarriedByte(name, i))
            continue;
        flushRun(i);
        bytes.append(char(name[i].unicode() - kCarriedByteBase));
        runStart = i + 1;
    }
    flushRun(name.size());
    return bytes;
}

QString displayFileName(const QString& name) {
    QString shown = name;
    for (qsizetype i = 0; i < name.size(); ++i)
        if (isCarriedByte(name, i))
            shown[i] = QChar::ReplacementCharacter;
    return shown;
}

} // namespace lumbex
