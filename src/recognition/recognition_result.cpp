#include "recognition/recognition_result.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>

namespace lumbex {
namespace {

constexpr int kMaximumSpaces = 80;

double midY(const RecognizedLine& line) {
    return line.bounds.center().y;
}

// Two pieces share a row when their centres are closer than 45 % of the smaller height.
bool sameRow(const RecognizedLine& a, const RecognizedLine& b) {
    return std::abs(midY(a) - midY(b)) <
           std::min(a.bounds.standardized().height, b.bounds.standardized().height) * 0.45;
}

qsizetype characterCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

std::vector<RecognizedLine> readingOrder(std::vector<RecognizedLine> lines) {
    std::stable_sort(lines.begin(), lines.end(),
                     [](const auto& a, const auto& b) { return midY(a) < midY(b); });
    std::vector<std::vector<RecognizedLine>> rows;
    for (RecognizedLine& line : lines) {
        if (!rows.empty() && sameRow(rows.back().front(), line))
            rows.back().push_back(std::move(line));
        else
            rows.push_back({std::move(line)});
    }
    std::vector<RecognizedLine> ordered;
    for (auto& row : rows) {
        std::stable_sort(row.begin(), row.end(), [](const auto& a, const auto& b) {
            return a.bounds.minX() < b.bounds.minX();
        });
        std::move(row.begin(), row.end(), std::back_inserter(ordered));
    }
    return ordered;
}

// The median width of one character, from which gaps are measured in spaces.
double characterWidth(const std::vector<RecognizedLine>& lines) {
    std::vector<double> widths;
    for (const RecognizedLine& line : lines)
        widths.push_back(line.bounds.standardized().width / double(characterCount(line.text)));
    std::sort(widths.begin(), widths.end());
    return std::max(widths[widths.size() / 2], 0.001);
}

// std::round rounds halves away from zero.
QString spaces(double distance, double width, int minimum) {
    const double count =
        std::clamp(std::round(distance / width), double(minimum), double(kMaximumSpaces));
    return QString(int(count), u' ');
}

} // namespace

QString RecognitionResult::text(bool codeLayout) const {
    std::vector<RecognizedLine> present;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(present),
                 [](const RecognizedLine& line) { return !line.text.isEmpty(); });
    if (present.empty())
        return {};
    const std::vector<RecognizedLine> ordered = readingOrder(std::move(present));
    const double leftEdge =
        std::min_element(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
            return a.bounds.minX() < b.bounds.minX();
        })->bounds.minX();
    const double width = characterWidth(ordered);

    QString text;
    for (size_t i = 0; i < ordered.size(); ++i) {
        const RecognizedLine& line = ordered[i];
        const bool continuesRow = i > 0 && sameRow(ordered[i - 1], line);
        if (i > 0 && !continuesRow)
            text += u'\n';
        if (continuesRow)
            text += codeLayout ? spaces(line.bounds.minX() - ordered[i - 1].bounds.maxX(), width, 1)
                               : QStringLiteral(" ");
        else if (codeLayout)
            text += spaces(line.bounds.minX() - leftEdge, width, 0);
        text += line.text;
    }
    return text;
}

} // namespace lumbex
