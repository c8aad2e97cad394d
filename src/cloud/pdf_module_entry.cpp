#include "cloud/pdf_module.h"

extern "C" __attribute__((visibility("default"))) const void* lumbexPdfModule() {
    static const lumbex::PdfModule module{&lumbex::verifyReviewPdf};
    return &module;
}
