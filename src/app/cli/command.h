#pragma once

#include <QStringList>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <vector>

namespace lumbex::cli {

// One `lumbex <words> ...` command. The handler throws LumbexError (exit 1) or UsageError
// (exit 2) and writes its result to `out`.
struct Command {
    QStringList words;
    QString usage; // empty for commands Lumbex runs for itself, which help does not list

    // `out` carries the result; `log` the progress lines a command reports on standard error.
    std::function<void(const QStringList& args, QTextStream& out, QTextStream& log)> run;
};

std::vector<Command> noteCommands();
std::vector<Command> noteEditCommands();
std::vector<Command> imageCommands();
std::vector<Command> renderCommands();
std::vector<Command> requestCommands();
std::vector<Command> stitchCommands();
std::vector<Command> captureCommands();
std::vector<Command> recognizeCommands();
std::vector<Command> recordingCommands();
std::vector<Command> recordCommands();
std::vector<Command> deletedCommands();
std::vector<Command> libraryCommands();
std::vector<Command> shortcutsCommands();
std::vector<Command> voiceNoteCommands();
std::vector<Command> voiceAudioCommands();
std::vector<Command> reviewCommands();
std::vector<Command> syncCommands();
// Members of the recording group in files of their own.
Command recordingInspectCommand();
std::vector<Command> recordingEditCommands();
std::vector<Command> recordingExportCommands();

// Runs the command named by the leading words of `args`, writing failures to `errors`; returns
// the process exit code.
int runCommandLine(const QStringList& args, FILE* errors);
// Whether the arguments name a command (or ask for help) rather than files to open.
bool isCommand(const QStringList& args);
// Whether the command needs the desktop's display (all others run offscreen).
bool needsDisplay(const QStringList& args);

} // namespace lumbex::cli
