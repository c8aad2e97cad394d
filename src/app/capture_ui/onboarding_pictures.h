#pragma once

#include <QImage>
#include <QString>

namespace lumbex {

// The tour's pictures, drawn rather than shipped: "capture" (a captured web page with the
// annotation tools below and notes beside it), "explain" (a numbered location on the page's
// button linked to a note) and "handoff" (the request preview). An unknown name gives a blank
// picture.
QImage onboardingPicture(const QString& name, QSize size);

} // namespace lumbex
