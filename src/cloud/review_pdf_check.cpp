#include "cloud/review_pages.h"
#include "cloud/review_pdf.h"
#include "core/error.h"

#include <memory>
#include <poppler-qt6.h>

namespace lumbex {

void verifyReviewPdf(const QString& path, int pageCount) {
    const LumbexError notVerified(QStringLiteral("The mobile PDF could not be verified."));
    // A damaged file is an answer here, not something to log.
    Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant());
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document || document->isLocked() || document->numPages() != pageCount)
        throw notVerified;
    for (int i = 0; i < pageCount; ++i) {
        const std::unique_ptr<Poppler::Page> page = document->page(i);
        if (!page || page->pageSizeF() != QSizeF(ReviewPage::width, ReviewPage::height))
            throw notVerified;
    }
}

} // namespace lumbex
