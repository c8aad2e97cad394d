// `lumbex shortcuts`: the global capture shortcuts and the voice shortcut, read from the running
// application (which alone knows whether its keys are registered) or, without one, from the
// settings; changed only through the running application, which registers them.
#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "app/shortcuts_handover.h"
#include "core/error.h"
#include "model/app_folders.h"
#include "shortcuts/shortcut_settings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

namespace lumbex::cli {
namespace {

const QString kNotRunning = QStringLiteral(
    "Lumbex is not running, so no shortcut is registered. Start Lumbex to use its shortcuts.");
const QString kStartFirst =
    QStringLiteral("Lumbex is not running. Start Lumbex, then change its shortcuts again.");

ShortcutsState storedState() {
    const std::unique_ptr<QSettings> settings = openSettings();
    const ShortcutSettings stored(*settings);
    ShortcutsState state;
    state.pair = stored.capturePair();
    state.enabled = stored.globalShortcutsEnabled();
    state.voice = stored.voiceShortcut();
    return state;
}

QJsonObject shortcutObject(const CaptureShortcut& shortcut) {
    return {{"keyCode", qint64(shortcut.keyCode)},
            {"keys", shortcut.keysText()},
            {"modifiers", qint64(shortcut.modifiers)}};
}

void print(const ShortcutsState& state, bool json, QTextStream& out) {
    const bool running = !state.statuses.isEmpty();
    if (json) {
        QJsonObject explain = shortcutObject(state.pair.explain);
        QJsonObject quick = shortcutObject(state.pair.quick);
        explain.insert("status", running ? QJsonValue(state.statuses.value(0)) : QJsonValue());
        quick.insert("status", running ? QJsonValue(state.statuses.value(1)) : QJsonValue());
        const QJsonObject object{
            {"enabled", state.enabled},
            {"explain", explain},
            {"quick", quick},
            {"running", running},
            {"voice", state.voice ? QJsonValue(shortcutObject(*state.voice)) : QJsonValue()}};
        out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
        return;
    }
    const auto row = [&](const QString& name, const CaptureShortcut& shortcut, int index) {
        out << name << '\t' << shortcut.keysText();
        if (running)
            out << '\t' << state.statuses.value(index);
        out << '\n';
    };
    row(QStringLiteral("Capture and Explain"), state.pair.explain, 0);
    row(QStringLiteral("Quick Capture"), state.pair.quick, 1);
    out << "Hold to Dictate\t" << (state.voice ? state.voice->keysText() : QStringLiteral("none"))
        << '\n';
    out << "Global shortcuts\t" << (state.enabled ? "on" : "off") << '\n';
}

// KEYS as written on the command line ("ctrl+alt+super+f"); a text that names no key of the
// table becomes a shortcut that the application refuses with its own message.
CaptureShortcut keysFrom(const QString& option, const QString& text) {
    if (const std::optional<CaptureShortcut> shortcut = CaptureShortcut::fromKeysText(text))
        return *shortcut;
    throw UsageError(
        option + QStringLiteral(" takes keys like ctrl+alt+super+f, not “%1”").arg(text.left(60)));
}

// The request answered by the running application, printed as `shortcuts` prints its state.
void change(const QStringList& request, bool json, QTextStream& out) {
    const std::optional<ShortcutsState> state = askRunningShortcuts(request);
    if (!state)
        throw LumbexError(kStartFirst);
    print(*state, json, out);
}

void showShortcuts(const QStringList& words, QTextStream& out, QTextStream& log) {
    const Arguments args(words, {}, {QStringLiteral("--json")});
    if (!args.positionals().isEmpty())
        throw UsageError(QStringLiteral("unexpected argument “%1”").arg(args.positionals()[0]));
    const std::optional<ShortcutsState> running = askRunningShortcuts(showShortcutsRequest());
    print(running.value_or(storedState()), args.has(QStringLiteral("--json")), out);
    if (!running)
        log << kNotRunning << '\n';
}

void setShortcuts(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(
        words,
        {QStringLiteral("--explain"), QStringLiteral("--quick"), QStringLiteral("--enabled")},
        {QStringLiteral("--json")});
    if (!args.positionals().isEmpty())
        throw UsageError(QStringLiteral("unexpected argument “%1”").arg(args.positionals()[0]));
    const CaptureShortcutPair pair{
        keysFrom(QStringLiteral("--explain"), args.required(QStringLiteral("--explain"))),
        keysFrom(QStringLiteral("--quick"), args.required(QStringLiteral("--quick")))};
    std::optional<bool> enabled;
    if (args.has(QStringLiteral("--enabled"))) {
        const QString value = args.value(QStringLiteral("--enabled"));
        if (value != u"on" && value != u"off")
            throw UsageError(QStringLiteral("--enabled takes on or off"));
        enabled = value == u"on";
    }
    if (!enabled) {
        const std::optional<ShortcutsState> now = askRunningShortcuts(showShortcutsRequest());
        if (!now)
            throw LumbexError(kStartFirst);
        enabled = now->enabled;
    }
    change(setCaptureShortcutsRequest(pair, *enabled), args.has(QStringLiteral("--json")), out);
}

void setVoiceShortcut(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {QStringLiteral("--remove"), QStringLiteral("--json")});
    const bool remove = args.has(QStringLiteral("--remove"));
    if (args.positionals().size() != (remove ? 0 : 1))
        throw UsageError(remove ? QStringLiteral("--remove takes no keys")
                                : QStringLiteral("give the keys or --remove"));
    const std::optional<CaptureShortcut> voice =
        remove ? std::nullopt
               : std::optional(keysFrom(QStringLiteral("KEYS"), args.positionals()[0]));
    change(setVoiceShortcutRequest(voice), args.has(QStringLiteral("--json")), out);
}

} // namespace

std::vector<Command> shortcutsCommands() {
    return {
        {{QStringLiteral("shortcuts"), QStringLiteral("set")},
         QStringLiteral("shortcuts set --explain KEYS --quick KEYS [--enabled on|off] [--json]"),
         setShortcuts},
        {{QStringLiteral("shortcuts"), QStringLiteral("voice")},
         QStringLiteral("shortcuts voice (KEYS | --remove) [--json]"),
         setVoiceShortcut},
        {{QStringLiteral("shortcuts")}, QStringLiteral("shortcuts [--json]"), showShortcuts}};
}

} // namespace lumbex::cli
