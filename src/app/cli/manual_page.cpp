#include "app/cli/manual_page.h"

#include "app/cli/arguments.h"
#include "app/version.h"

namespace lumbex::cli {
namespace {

// Text set in roff: backslashes and hyphens escaped, and no line starting with a control
// character.
QString roff(const QString& text) {
    QString out = text;
    out.replace(u'\\', QStringLiteral("\\e"));
    out.replace(u'-', QStringLiteral("\\-"));
    if (out.startsWith(u'.') || out.startsWith(u'\''))
        out.prepend(QStringLiteral("\\&"));
    return out;
}

const char* const kHead = R"(.SH NAME
lumbex \- turn screen captures into reviewable requests for a coding agent
.SH SYNOPSIS
.B lumbex
.RI [ FILE ...]
.br
.B lumbex
.RB [ \-\-capture " | " \-\-quick\-capture " | " \-\-fixture ]
.br
.B lumbex
.I COMMAND
.RI [ ARGUMENT ...]
.br
.B lumbex
.RB [ \-\-help " | " \-\-version ]
.SH DESCRIPTION
Without arguments
.B lumbex
starts the desktop application, which sits in the system tray: capture an area, a window or a
display, mark the capture up, write or dictate notes, and choose Copy for Agent to write a request
with the annotated images into a project folder.
Notes are kept as
.I .capturenote
packages and saved automatically into
.IR ~/.local/share/Lumbex/Notes .
.PP
Files named on the command line are opened: note packages in editor windows, images as new notes.
A second launch hands its files and options to the application that is already running.
.PP
With a command,
.B lumbex
is a command-line tool that needs no display (except where a command says so).
.SH OPTIONS
.TP
.B \-\-capture
Starts Capture and Explain: choose an area, then edit it in a new note.
.TP
.B \-\-quick\-capture
Starts Quick Capture: choose an area, which is copied at once.
.TP
.B \-\-fixture
Opens the sample note.
.TP
.B \-\-help
Lists the commands.
.TP
.B \-\-version
Prints the version.
.SH COMMANDS
)";

const char* const kTail = R"(.SH EXIT STATUS
.TP
.B 0
Success.
.TP
.B 1
Something failed; Lumbex's message is on standard error.
.TP
.B 2
The words of the command are wrong; a usage line is on standard error.
.SH ENVIRONMENT
.TP
.B DISPLAY
The X display of the desktop application and of the commands that capture or use the clipboard.
.TP
.BR XDG_CONFIG_HOME ", " XDG_DATA_HOME
Where the settings and the notes library live.
.TP
.B LUMBEX_DEBUG
Set to 1 to see the diagnostics of Qt and the image codecs on standard error.
.SH FILES
.TP
.I ~/.local/share/Lumbex/Notes
The notes library.
.TP
.I ~/.local/share/Lumbex/Recently Deleted
Deleted notes, kept for 30 days.
.TP
.I ~/.config/Lumbex/Lumbex.ini
Settings.
.TP
.I ~/.config/autostart/lumbex.desktop
Present while Open at Login is chosen.
)";

void writePage(const std::vector<Command>& commands, QTextStream& out) {
    out << ".TH LUMBEX 1 \"\" \"lumbex " << lumbexVersion() << "\" \"User Commands\"\n" << kHead;
    QString group;
    for (const Command& command : commands) {
        if (command.usage.isEmpty())
            continue;
        if (command.words[0] != group) {
            group = command.words[0];
            out << ".SS " << roff(group) << '\n';
        }
        out << ".PP\n.B lumbex\n" << roff(command.usage) << '\n';
    }
    out << kTail;
}

} // namespace

Command manualPageCommand(const std::vector<Command>& commands) {
    std::vector<Command> listed;
    for (const Command& command : commands)
        if (!command.usage.isEmpty())
            listed.push_back({command.words, command.usage, {}});
    return {{QStringLiteral("manual-page")},
            QString(),
            [listed](const QStringList& args, QTextStream& out, QTextStream&) {
                if (!args.isEmpty())
                    throw UsageError(QStringLiteral("manual-page takes no arguments"));
                writePage(listed, out);
            }};
}

} // namespace lumbex::cli
