#include "cloud/pdf_module.h"
#include "platform/lumbex_module.h"

// The PDF entry point of the executable: opens the PDF module on first use.
namespace lumbex {

void verifyReviewPdf(const QString& path, int pageCount) {
    lumbexModule<PdfModule>(kPdfModuleFile, kPdfModuleEntry).verifyReviewPdf(path, pageCount);
}

} // namespace lumbex
