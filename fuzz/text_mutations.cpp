#include "fuzz/text_mutations.h"

#include <QList>
#include <vector>

namespace lumbex::fuzz {
namespace {

constexpr int kFlipInputs = 250;
constexpr int kRangeInputs = 120;
constexpr int kTokensPerReplacement = 6;
constexpr int kStringsPerInsertion = 6;
// Inputs per document are bounded so that the whole corpus replays in seconds.
constexpr qsizetype kTruncationsPerDocument = 200;

qsizetype below(Random& random, qsizetype bound) {
    return bound <= 0 ? 0 : qsizetype(random() % quint64(bound));
}

struct Span {
    qsizetype start;
    qsizetype end;
};

// The contents of every string token (between its quotes) and every number token.
struct Tokens {
    std::vector<Span> strings;
    std::vector<Span> numbers;
};

bool isNumberByte(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

Tokens tokenize(const QByteArray& json) {
    Tokens tokens;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '"') {
            qsizetype end = i + 1;
            while (end < json.size() && json[end] != '"')
                end += json[end] == '\\' ? 2 : 1;
            tokens.strings.push_back({i + 1, std::min(end, json.size())});
            i = end;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            qsizetype end = i + 1;
            while (end < json.size() && isNumberByte(json[end]))
                ++end;
            tokens.numbers.push_back({i, end});
            i = end - 1;
        }
    }
    return tokens;
}

QByteArray replaced(const QByteArray& json, Span span, const QByteArray& with) {
    return json.left(span.start) + with + json.mid(span.end);
}

} // namespace

void truncations(const QString& name, const QByteArray& json, const Visit& visit) {
    const qsizetype step = std::max<qsizetype>(1, json.size() / kTruncationsPerDocument);
    for (qsizetype length = 0; length < json.size(); length += step)
        visit(QStringLiteral("%1 cut to %2 bytes").arg(name).arg(length), json.left(length));
}

void byteFlips(const QString& name, const QByteArray& json, Random& random, const Visit& visit) {
    for (int n = 0; n < kFlipInputs; ++n) {
        QByteArray bytes = json;
        const int flips = 1 + int(below(random, 4));
        for (int f = 0; f < flips; ++f)
            bytes[below(random, bytes.size())] ^= char(1 << below(random, 8));
        visit(QStringLiteral("%1 with %2 bit flips (#%3)").arg(name).arg(flips).arg(n), bytes);
    }
}

void rangeEdits(const QString& name, const QByteArray& json, Random& random, const Visit& visit) {
    for (int n = 0; n < kRangeInputs; ++n) {
        const qsizetype start = below(random, json.size());
        const qsizetype maxLength = n % 4 == 0 ? json.size() / 4 : 64;
        const qsizetype length = 1 + below(random, std::min(maxLength, json.size() - start));
        QByteArray deleted = json;
        deleted.remove(start, length);
        visit(QStringLiteral("%1 without bytes %2+%3").arg(name).arg(start).arg(length), deleted);
        QByteArray duplicated = json;
        const qsizetype at = below(random, json.size() + 1);
        duplicated.insert(at, json.mid(start, length));
        visit(QStringLiteral("%1 with bytes %2+%3 copied to %4")
                  .arg(name)
                  .arg(start)
                  .arg(length)
                  .arg(at),
              duplicated);
    }
}

void numberTokens(const QString& name, const QByteArray& json, Random& random, const Visit& visit) {
    static const QList<QByteArray> replacements =
        QByteArray("NaN -NaN Infinity -Infinity inf 1e999 -1e999 1e-999 1e308 -1e308 4.9e-324 "
                   "9223372036854775807 9223372036854775808 -9223372036854775809 "
                   "18446744073709551616 123456789012345678901234567890 0.5 -1 -0 0x10 01 +1 "
                   ".5 1. 1e --1 2147483648 1E+2")
            .split(' ');
    const std::vector<Span> numbers = tokenize(json).numbers;
    if (numbers.empty())
        return;
    for (const QByteArray& replacement : replacements) {
        for (int n = 0; n < kTokensPerReplacement; ++n) {
            const Span span = numbers[size_t(below(random, qsizetype(numbers.size())))];
            visit(QStringLiteral("%1 with %2 at byte %3")
                      .arg(name, QString::fromLatin1(replacement))
                      .arg(span.start),
                  replaced(json, span, replacement));
        }
    }
}

void stringBytes(const QString& name, const QByteArray& json, Random& random, const Visit& visit) {
    static const QByteArray insertions[] = {
        QByteArray("\xC0\x80"),     QByteArray("\xFF\xFE"),
        QByteArray("\xED\xA0\x80"), QByteArray("\xF4\x90\x80\x80"),
        QByteArray("\xE2\x82"),     QByteArray("\x80"),
        QByteArray("\0", 1),        QByteArray("\x01\x1f"),
        QByteArray("\\ud800"),      QByteArray("\\udc00\\ud800"),
        QByteArray("\\u0000"),      QByteArray("\\x41"),
        QByteArray("\\"),           QByteArray("\n"),
        QByteArray("\\uZZZZ"),      QByteArray("\\ud83d\\ude00")};
    const std::vector<Span> strings = tokenize(json).strings;
    if (strings.empty())
        return;
    for (const QByteArray& insertion : insertions) {
        for (int n = 0; n < kStringsPerInsertion; ++n) {
            const Span span = strings[size_t(below(random, qsizetype(strings.size())))];
            const qsizetype at = span.start + below(random, span.end - span.start + 1);
            visit(QStringLiteral("%1 with bytes %2 inserted at %3")
                      .arg(name, QString::fromLatin1(insertion.toHex()))
                      .arg(at),
                  replaced(json, {at, at}, insertion));
        }
    }
}

void oddDocuments(const Visit& visit) {
    for (const char* document :
         {"", " ", "{}", "[]", "null", "true", "\"note\"", "0", "{\"schemaVersion\":1}",
          "{\"a\":1,\"a\":2}", "\xEF\xBB\xBF{}", "{} {}", "{\"\\u0000\":null}"})
        visit(QStringLiteral("document %1").arg(QString::fromUtf8(document)), document);
    for (int depth : {100, 1023, 1024, 1025, 5000, 100000}) {
        const QByteArray arrays = QByteArray(depth, '[') + QByteArray(depth, ']');
        visit(QStringLiteral("%1 nested arrays").arg(depth), arrays);
        visit(QStringLiteral("%1 unclosed arrays").arg(depth), QByteArray(depth, '['));
        QByteArray objects = "{\"marks\":";
        for (int d = 1; d < depth; ++d)
            objects += "{\"a\":";
        objects += "1" + QByteArray(depth, '}');
        visit(QStringLiteral("%1 nested objects").arg(depth), objects);
        visit(QStringLiteral("%1 unclosed objects").arg(depth),
              objects.left(objects.size() - depth));
    }
}

void blindMutations(const QString& name, const QByteArray& bytes, Random& random,
                    const Visit& visit) {
    truncations(name, bytes, visit);
    byteFlips(name, bytes, random, visit);
    rangeEdits(name, bytes, random, visit);
}

} // namespace lumbex::fuzz
