#pragma once

#include <QString>
#include <QStringList>

namespace lumbex {

// The order a file browser shows names in: runs of digits compare by their value ("shot 2"
// before "shot 10"), letters compare without regard to case. Names equal under those rules
// fall back to the number of leading zeros, then to case, so that the order is total.
// (QCollator cannot be used: it drops numeric ordering in the C locale.)
int naturalCompare(const QString& a, const QString& b);

// Paths sorted by their file names in natural order; equal names keep their given order.
QStringList sortedByFileName(QStringList paths);

} // namespace lumbex
