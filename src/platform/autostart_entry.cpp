#include "platform/autostart_entry.h"

#include "core/error.h"
#include "core/files.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace lumbex {
namespace {

// An autostart entry is a few hundred bytes; anything far larger is not one of ours.
constexpr qint64 kMostEntryBytes = 64 * 1024;

QString configHome() {
    const QString set = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!set.isEmpty() && QDir::isAbsolutePath(set))
        return set;
    return QDir::homePath() + QStringLiteral("/.config");
}

// The program as one word of an Exec line: quoted when it holds anything the line would split
// or expand.
QString execWord(const QString& program) {
    static const QString plain =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+");
    if (std::all_of(program.begin(), program.end(), [](QChar c) { return plain.contains(c); }))
        return program;
    QString quoted;
    for (QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    // In a desktop entry's value the backslash itself is escaped once more, and % starts a field
    // code.
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    quoted.replace(u'%', QStringLiteral("%%"));
    return u'"' + quoted + u'"';
}

QString refusal(const QString& path) {
    return QStringLiteral("“%1” is not a file Lumbex wrote. Remove it, then choose Open at Login "
                          "again.")
        .arg(path);
}

} // namespace

AutostartEntry::AutostartEntry(QString program) : program_(std::move(program)) {}

QString AutostartEntry::path() {
    return configHome() + QStringLiteral("/autostart/lumbex.desktop");
}

QByteArray AutostartEntry::contents() const {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Lumbex\n"
                          "Comment=Starts Lumbex in the system tray\n"
                          "Exec=%1\n"
                          "Icon=lumbex\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execWord(program_))
        .toUtf8();
}

bool AutostartEntry::isEnabled() const {
    const QString entry = path();
    if (entryKind(entry) != EntryKind::File)
        return false;
    QByteArray text;
    try {
        text = readFile(entry, kMostEntryBytes);
    } catch (const LumbexError&) {
        return false;
    }
    // The keys a session honours to skip an entry that is present.
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed == "Hidden=true" || trimmed == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

void AutostartEntry::setEnabled(bool enabled) const {
    const QString entry = path();
    const EntryKind kind = entryKind(entry);
    if (kind != EntryKind::Missing && kind != EntryKind::File)
        throw LumbexError(refusal(entry));
    if (!enabled) {
        if (kind == EntryKind::File && !QFile::remove(entry))
            throw LumbexError(
                QStringLiteral("Lumbex couldn’t remove “%1”. Check the folder’s permissions, then "
                               "try again.")
                    .arg(entry));
        return;
    }
    makeFolders(QFileInfo(entry).path());
    writeFileAtomically(entry, contents());
}

} // namespace lumbex
