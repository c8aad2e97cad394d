#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "app/cli/manual_page.h"
#include "app/version.h"
#include "core/error.h"

#include <cstdio>

namespace lumbex::cli {
namespace {

std::vector<Command> allCommands() {
    std::vector<Command> commands = noteCommands();
    for (auto group : {noteEditCommands, imageCommands, renderCommands, requestCommands,
                       stitchCommands, captureCommands, recognizeCommands, recordCommands,
                       recordingCommands, deletedCommands, libraryCommands, shortcutsCommands,
                       voiceNoteCommands, voiceAudioCommands, reviewCommands, syncCommands})
        for (Command& c : group())
            commands.push_back(std::move(c));
    commands.push_back(manualPageCommand(commands));
    return commands;
}

bool isHelp(const QStringList& args) {
    return !args.isEmpty() && (args[0] == u"help" || args[0] == u"--help" || args[0] == u"-h");
}

bool isVersion(const QStringList& args) {
    return args == QStringList{QStringLiteral("--version")};
}

const Command* match(const std::vector<Command>& commands, const QStringList& args) {
    for (const Command& c : commands)
        if (args.mid(0, c.words.size()) == c.words)
            return &c;
    return nullptr;
}

// Lists the commands of `group` ("note", "image"), or all of them when it names none.
void printUsage(const std::vector<Command>& commands, FILE* stream, const QString& group = {}) {
    const bool known = std::any_of(commands.begin(), commands.end(),
                                   [&](const Command& c) { return c.words[0] == group; });
    QTextStream out(stream);
    out << "usage:\n";
    for (const Command& c : commands)
        if ((!known || c.words[0] == group) && !c.usage.isEmpty())
            out << "  lumbex " << c.usage << '\n';
}

} // namespace

bool isCommand(const QStringList& args) {
    return isHelp(args) || isVersion(args) || match(allCommands(), args) != nullptr;
}

bool needsDisplay(const QStringList& args) {
    return args.value(0) == u"hold-clipboard";
}

int runCommandLine(const QStringList& args, FILE* errors) {
    const std::vector<Command> commands = allCommands();
    if (isHelp(args)) {
        printUsage(commands, stdout);
        return 0;
    }
    if (isVersion(args)) {
        std::printf("lumbex %s\n", lumbexVersion());
        return 0;
    }
    const Command* command = match(commands, args);
    if (!command) {
        QTextStream(errors)
            << QStringLiteral("lumbex: unknown command “%1”\n").arg(args.join(u' ').left(60));
        printUsage(commands, errors, args.value(0));
        return 2;
    }
    QTextStream out(stdout);
    QTextStream log(errors);
    try {
        command->run(args.mid(command->words.size()), out, log);
        return 0;
    } catch (const UsageError& e) {
        out.flush();
        log << "lumbex: " << QString::fromUtf8(e.what()) << "\nusage: lumbex " << command->usage
            << '\n';
        return 2;
    } catch (const LumbexError& e) {
        out.flush();
        log << e.message() << '\n';
        return 1;
    } catch (const std::bad_alloc&) {
        out.flush();
        log << QStringLiteral("Not enough memory to run “lumbex %1”. Nothing was changed.\n")
                   .arg(command->words.join(u' '));
        return 1;
    }
}

} // namespace lumbex::cli
