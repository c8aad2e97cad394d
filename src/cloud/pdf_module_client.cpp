#include "cloud/pdf_module.h"
#include "platform/lumbex_module.h"

// The PDF entry point of the executable: opens the PDF module on first use.
namespace lumbex {

void verifyReviewPdf(const QString& path, int pageCount) {
    static const auto* module = static_cast<const PdfModule*>(
        openLumbexModule(QString::fromLatin1(kPdfModuleFile), kPdfModuleEntry));
    module->verifyReviewPdf(path, pageCount);
}

} // namespace lumbex
