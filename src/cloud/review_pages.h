#pragma once

#include <QImage>
#include <QPainter>
#include <QString>

class QPdfWriter;

namespace lumbex {

// Page geometry of the reader PDF, in points, with y measured up from the bottom of the page.
namespace ReviewPage {
constexpr double width = 420;
constexpr double height = 594;
constexpr double left = 28;
constexpr double column = 364;
// Where the content of a new page starts, and the lowest it may reach.
constexpr double top = 546;
constexpr double bottom = 42;
constexpr double headerY = 569;
constexpr double footerY = 20;
constexpr double labelSize = 9;
constexpr double pictureHeight = 220;
constexpr double lineSpacing = 3;
// Pixels per point of an embedded picture: sharp when a phone zooms in, small enough to write fast.
constexpr double pictureDensity = 3;
} // namespace ReviewPage

// Lays out the reader PDF page after page on a writer whose resolution is 72 dots per inch, so
// that one device unit is one point. Text and pictures flow down a single column; a block that
// reaches the bottom continues on a new page with the running header and footer. Throws
// LumbexError ("A note could not fit in the mobile PDF.") for a line taller than a whole page.
class ReviewPages {
public:
    ReviewPages(QPdfWriter& writer, QString headerTitle, QString footerText);
    ReviewPages(const ReviewPages&) = delete;
    ReviewPages& operator=(const ReviewPages&) = delete;

    // Ends the current page (if any) and starts the next one with its header and footer.
    void page();
    void text(const QString& text, double size, bool bold, bool secondary, double gap);
    // A bold 15-point heading kept with at least `extra` points of what follows.
    void heading(const QString& text, double extra);
    // A captioned picture fitted into the column and at most 220 points high; caption and
    // picture always share a page.
    void picture(const QImage& image, const QString& caption);
    // One line at baseline `at`, cut with an ellipsis to `width`.
    void label(const QString& text, double at, double width, double size);
    // Ends the last page; returns false when the writer failed.
    bool finish();

    int pageCount() const { return pages_; }
    // The current baseline, in points from the bottom of the page.
    double y() const { return y_; }

private:
    double blockHeight(const QString& text, double size, bool bold);

    QPdfWriter& writer_;
    QPainter painter_;
    QString headerTitle_;
    QString footerText_;
    int pages_ = 0;
    double y_ = ReviewPage::top;
};

// The size of a picture of `pixels` scaled to fit `box` with its proportions kept (small pictures
// grow, large ones shrink), at least a hundredth of a point on each side.
QSizeF fittedPictureSize(QSizeF pixels, QSizeF box);

} // namespace lumbex
