#pragma once

#include "cloud/review_pdf.h"

namespace lumbex {

// What the PDF module (Poppler, which reads a written review back) offers the executable.
struct PdfModule {
    decltype(&lumbex::verifyReviewPdf) verifyReviewPdf;
};

inline constexpr char kPdfModuleFile[] = "lumbex-pdf.so";
inline constexpr char kPdfModuleEntry[] = "lumbexPdfModule";

} // namespace lumbex
