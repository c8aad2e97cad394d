#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace lumbex {

// File names are bytes on Linux and need not be UTF-8, while Qt decodes them lossily (every
// stray byte becomes U+FFFD). These keep every byte: a byte that is not part of valid UTF-8 is
// carried as the lone surrogate U+DC80 + (byte - 0x80) and turned back into that byte when the
// name is encoded. Paths that come from the command line or a folder listing go through
// decodeFileName; every system call takes encodeFileName of the path.

QString decodeFileName(QByteArrayView bytes);
QByteArray encodeFileName(const QString& name);

// The name as a person reads it: carried bytes shown as U+FFFD. For titles and messages.
QString displayFileName(const QString& name);

} // namespace lumbex
