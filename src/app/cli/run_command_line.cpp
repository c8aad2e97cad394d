#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "core/error.h"

#include <cstdio>

namespace lumbex::cli {
namespace {

std::vector<Command> allCommands() {
    std::vector<Command> commands = noteCommands();
    for (Command& c : imageCommands())
        commands.push_back(std::move(c));
    return commands;
}

bool isHelp(const QStringList& args) {
    return !args.isEmpty() && (args[0] == u"help" || args[0] == u"--help" || args[0] == u"-h");
}

const Command* match(const std::vector<Command>& commands, const QStringList& args) {
    for (const Command& c : commands)
        if (args.mid(0, c.words.size()) == c.words)
            return &c;
    return nullptr;
}

void printUsage(const std::vector<Command>& commands, FILE* stream, const QString& group = {}) {
    QTextStream out(stream);
    out << "usage:\n";
    for (const Command& c : commands)
        if (group.isEmpty() || c.words[0] == group)
            out << "  lumbex " << c.usage << '\n';
}

} // namespace

int runCommandLine(const QStringList& args) {
    const std::vector<Command> commands = allCommands();
    if (isHelp(args)) {
        printUsage(commands, stdout);
        return 0;
    }
    const Command* command = match(commands, args);
    if (!command) {
        QTextStream(stderr) << QStringLiteral("lumbex: unknown command “%1”\n").arg(args.join(u' ').left(60));
        printUsage(commands, stderr, args.value(0));
        return 2;
    }
    QTextStream out(stdout);
    try {
        command->run(args.mid(command->words.size()), out);
        return 0;
    } catch (const UsageError& e) {
        out.flush();
        QTextStream(stderr) << "lumbex: " << QString::fromUtf8(e.what()) << "\nusage: lumbex " << command->usage << '\n';
        return 2;
    } catch (const LumbexError& e) {
        out.flush();
        QTextStream(stderr) << e.message() << '\n';
        return 1;
    }
}

} // namespace lumbex::cli
