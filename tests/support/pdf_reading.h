#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <memory>
#include <poppler-qt6.h>
#include <vector>

namespace lumbex::test {

// One word of a PDF page as a reader extracts it; the box is in points from the top left.
struct PdfWord {
    QString text;
    QRectF box;
};

// A PDF read back the way a phone's reader would: pages, words and pixels.
class PdfReading {
public:
    explicit PdfReading(const QString& path) : document_(Poppler::Document::load(path)) {}

    bool isOpen() const { return document_ && !document_->isLocked(); }
    int pages() const { return document_ ? document_->numPages() : 0; }
    QSizeF pageSize(int index) const { return document_->page(index)->pageSizeF(); }
    QString text(int index) const { return document_->page(index)->text(QRectF()); }
    // The text of every page, pages joined by new lines.
    QString allText() const {
        QStringList all;
        for (int i = 0; i < pages(); ++i)
            all << text(i);
        return all.join(QLatin1Char('\n'));
    }
    std::vector<PdfWord> words(int index) const {
        std::vector<PdfWord> words;
        for (const auto& box : document_->page(index)->textList())
            words.push_back({box->text(), box->boundingBox()});
        return words;
    }
    // The page rendered at `scale` pixels per point.
    QImage picture(int index, double scale) const {
        return document_->page(index)->renderToImage(72 * scale, 72 * scale);
    }
    QString info(const QString& key) const { return document_->info(key); }
    QDateTime date(const QString& key) const { return document_->date(key); }

private:
    std::unique_ptr<Poppler::Document> document_;
};

// The bounding box, in points, of the pixels of `image` (rendered at `scale` pixels per point)
// that are close to `color`; empty when there are none.
inline QRectF colorBounds(const QImage& image, QColor color, double scale, int tolerance = 40) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int left = rgb.width(), top = rgb.height(), right = -1, bottom = -1;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = line[x];
            if (std::abs(qRed(p) - color.red()) <= tolerance &&
                std::abs(qGreen(p) - color.green()) <= tolerance &&
                std::abs(qBlue(p) - color.blue()) <= tolerance) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0)
        return {};
    return {left / scale, top / scale, (right - left + 1) / scale, (bottom - top + 1) / scale};
}

} // namespace lumbex::test
