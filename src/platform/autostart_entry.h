#pragma once

#include <QString>

namespace lumbex {

// "Open at Login" on a freedesktop.org desktop: the autostart entry
// `$XDG_CONFIG_HOME/autostart/lumbex.desktop` (`~/.config` when the variable is unset or not an
// absolute path), which the session starts at login.
class AutostartEntry {
public:
    // Starts `program` (an absolute path) at login.
    explicit AutostartEntry(QString program);

    static QString path();
    // True when the entry is a regular file the session would start: not hidden and not switched
    // off. A symbolic link there is not read.
    bool isEnabled() const;
    // Writes the entry (through a temporary file and a rename) or removes it. Throws LumbexError
    // when it cannot, or when something other than a regular file (a symbolic link, a folder) is
    // at the entry's place: that is not Lumbex's to replace.
    void setEnabled(bool enabled) const;

    // The entry's text.
    QByteArray contents() const;

private:
    QString program_;
};

} // namespace lumbex
