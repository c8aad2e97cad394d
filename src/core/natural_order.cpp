#include "core/natural_order.h"

#include <QFileInfo>
#include <algorithm>

namespace lumbex {
namespace {

// A run of digits starting at `start`: its value's digits without leading zeros, and its end.
struct Number {
    QStringView digits;
    qsizetype leadingZeros = 0;
    qsizetype end = 0;
};

Number numberAt(const QString& text, qsizetype start) {
    qsizetype end = start;
    while (end < text.size() && text.at(end).isDigit())
        ++end;
    qsizetype first = start;
    while (first + 1 < end && text.at(first).digitValue() == 0)
        ++first;
    return {QStringView(text).sliced(first, end - first), first - start, end};
}

// Values compare by digit count, then digit by digit (any length, no overflow).
int compareValues(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a.at(i).digitValue() != b.at(i).digitValue())
            return a.at(i).digitValue() < b.at(i).digitValue() ? -1 : 1;
    return 0;
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

} // namespace

int naturalCompare(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    int zerosOrder = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            const Number x = numberAt(a, i), y = numberAt(b, j);
            if (const int order = compareValues(x.digits, y.digits))
                return order;
            if (zerosOrder == 0 && x.leadingZeros != y.leadingZeros)
                zerosOrder = x.leadingZeros < y.leadingZeros ? -1 : 1;
            i = x.end;
            j = y.end;
            continue;
        }
        const QChar x = a.at(i).toCaseFolded(), y = b.at(j).toCaseFolded();
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    if (zerosOrder)
        return zerosOrder;
    return sign(a.compare(b));
}

QStringList sortedByFileName(QStringList paths) {
    std::stable_sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
        return naturalCompare(QFileInfo(a).fileName(), QFileInfo(b).fileName()) < 0;
    });
    return paths;
}

} // namespace lumbex
