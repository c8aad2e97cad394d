#pragma once

#include <QString>
#include <QStringList>

namespace lumbex {

// The instruction put on the clipboard: where the request document is and which images the
// agent must open. Paths are absolute; no line feed follows the last one.
QString clipboardText(const QString& requestPath, const QStringList& imagePaths);

} // namespace lumbex
