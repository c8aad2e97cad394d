#pragma once

#include <QString>
#include <cstdio>

namespace lumbex::test {

// A fake portal's log line on its standard output, where the test reads it at once.
inline void say(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// The part of a request or session object path a portal derives from its caller's unique bus
// name: ":1.42" → "1_42".
inline QString senderPart(const QString& sender) {
    QString part = sender.mid(1);
    return part.replace(u'.', u'_');
}

} // namespace lumbex::test
