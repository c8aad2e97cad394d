#include "core/error.h"
#include "shortcuts/capture_shortcut.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr std::uint32_t kCmd = CaptureShortcut::kCommand;
constexpr std::uint32_t kShift = CaptureShortcut::kShift;
constexpr std::uint32_t kOpt = CaptureShortcut::kOption;
constexpr std::uint32_t kCtl = CaptureShortcut::kControl;

TEST(CaptureShortcut, TableHasFortyEightKeysAndNothingElse) {
    int named = 0;
    for (std::uint32_t code = 0; code < 256; ++code)
        named += shortcutKeyName(code).has_value();
    EXPECT_EQ(named, 48);
    EXPECT_FALSE(shortcutKeyName(10));  // between V and B
    EXPECT_FALSE(shortcutKeyName(24));  // "=" on the reference keyboard
    EXPECT_FALSE(shortcutKeyName(49));  // Space
    EXPECT_FALSE(shortcutKeyName(123)); // an arrow
}

struct NameRow {
    std::uint32_t code;
    const char* name;
};

TEST(CaptureShortcut, KeyNamesFollowTheTable) {
    const NameRow rows[] = {{0, "A"},     {3, "F"},    {10 + 1, "B"}, {12, "Q"},   {22, "6"},
                            {23, "5"},    {25, "9"},   {29, "0"},     {31, "O"},   {46, "M"},
                            {122, "F1"},  {120, "F2"}, {99, "F3"},    {118, "F4"}, {109, "F10"},
                            {103, "F11"}, {111, "F12"}};
    for (const NameRow& row : rows)
        EXPECT_EQ(shortcutKeyName(row.code), QString::fromLatin1(row.name)) << row.code;
}

struct ValidityRow {
    const char* what;
    CaptureShortcut shortcut;
    bool valid;
};

TEST(CaptureShortcut, ValidityNeedsCommandWithOptionOrControlAndAKnownKey) {
    const ValidityRow rows[] = {
        {"all three", {3, kCtl | kOpt | kCmd}, true},
        {"command and option", {3, kOpt | kCmd}, true},
        {"command and control", {3, kCtl | kCmd}, true},
        {"with shift", {3, kShift | kOpt | kCmd}, true},
        {"function key", {111, kOpt | kCmd}, true},
        {"command and shift only", {3, kShift | kCmd}, false},
        {"command only", {3, kCmd}, false},
        {"no command", {3, kCtl | kOpt}, false},
        {"key outside the table", {49, kCtl | kOpt | kCmd}, false},
        {"arrow key", {126, kOpt | kCmd}, false},
        {"an extra bit", {3, kOpt | kCmd | 0x400}, false},
        {"caps lock bit", {3, kOpt | kCmd | 0x10000}, false},
    };
    for (const ValidityRow& row : rows)
        EXPECT_EQ(row.shortcut.isValid(), row.valid) << row.what;
}

struct DisplayRow {
    CaptureShortcut shortcut;
    const char* symbols;
    const char* keys;
    std::uint32_t eventFlags;
};

TEST(CaptureShortcut, DisplaysModifiersInFixedOrder) {
    const DisplayRow rows[] = {
        {{3, kCtl | kOpt | kCmd}, "⌃⌥⌘F", "Ctrl+Alt+Super+F", 0x1C0000},
        {{12, kShift | kCmd | kOpt}, "⌥⇧⌘Q", "Ctrl+Alt+Shift+Q", 0x1A0000},
        {{122, kCmd | kCtl}, "⌃⌘F1", "Ctrl+Super+F1", 0x140000},
        {{49, kCmd}, "⌘?", "Ctrl+?", 0x100000},
        {{29, 0}, "0", "0", 0},
    };
    for (const DisplayRow& row : rows) {
        EXPECT_EQ(row.shortcut.display(), QString::fromUtf8(row.symbols));
        EXPECT_EQ(row.shortcut.keysText(), QString::fromLatin1(row.keys));
        EXPECT_EQ(row.shortcut.eventModifiers(), row.eventFlags) << row.symbols;
    }
}

struct KeyRow {
    const char* what;
    int key;
    Qt::KeyboardModifiers held;
    std::optional<CaptureShortcut> made;
};

TEST(CaptureShortcut, PressedKeysMakeAShortcutOnlyWhenAllowed) {
    const auto ctrl = Qt::ControlModifier;
    const auto alt = Qt::AltModifier;
    const auto super = Qt::MetaModifier;
    const auto shift = Qt::ShiftModifier;
    const KeyRow rows[] = {
        {"Ctrl+Alt+Super+F", Qt::Key_F, ctrl | alt | super, CaptureShortcut{3, kCtl | kOpt | kCmd}},
        {"Ctrl+Alt+F", Qt::Key_F, ctrl | alt, CaptureShortcut{3, kOpt | kCmd}},
        {"Ctrl+Super+5", Qt::Key_5, ctrl | super, CaptureShortcut{23, kCtl | kCmd}},
        {"Ctrl+Alt+Shift+F12", Qt::Key_F12, ctrl | alt | shift,
         CaptureShortcut{111, kShift | kOpt | kCmd}},
        {"keypad bit ignored", Qt::Key_7, ctrl | alt | Qt::KeypadModifier,
         CaptureShortcut{26, kOpt | kCmd}},
        {"Ctrl+Shift+F", Qt::Key_F, ctrl | shift, std::nullopt},
        {"Alt+Super+F", Qt::Key_F, alt | super, std::nullopt},
        {"Ctrl+Alt+Space", Qt::Key_Space, ctrl | alt, std::nullopt},
        {"Ctrl+Alt+Left", Qt::Key_Left, ctrl | alt, std::nullopt},
        {"Ctrl+Alt+F13", Qt::Key_F13, ctrl | alt, std::nullopt},
        {"Ctrl+Alt+Escape", Qt::Key_Escape, ctrl | alt, std::nullopt},
    };
    for (const KeyRow& row : rows)
        EXPECT_EQ(CaptureShortcut::fromKey(row.key, row.held), row.made) << row.what;
}

TEST(CaptureShortcut, EveryTableKeyTranslatesToQtAndBack) {
    for (std::uint32_t code = 0; code < 256; ++code) {
        const CaptureShortcut shortcut{code, kCtl | kOpt | kShift | kCmd};
        const auto keys = shortcut.qtKey();
        ASSERT_EQ(keys.has_value(), shortcutKeyName(code).has_value()) << code;
        if (keys) {
            EXPECT_EQ(CaptureShortcut::fromKey(keys->key(), keys->keyboardModifiers()), shortcut);
        }
    }
}

struct TextRow {
    const char* text;
    std::optional<CaptureShortcut> made;
};

TEST(CaptureShortcut, ReadsKeysWrittenOnTheCommandLine) {
    const TextRow rows[] = {
        {"ctrl+alt+super+f", CaptureShortcut{3, kCtl | kOpt | kCmd}},
        {"Super+Ctrl+Alt+Q", CaptureShortcut{12, kCtl | kOpt | kCmd}},
        {"ctrl+shift+alt+f10", CaptureShortcut{109, kShift | kOpt | kCmd}},
        {"cmd+option+control+1", CaptureShortcut{18, kCtl | kOpt | kCmd}},
        {"ctrl+alt", std::nullopt},
        {"ctrl+alt+space", std::nullopt},
        {"ctrl+alt+f+g", std::nullopt},
        {"", std::nullopt},
    };
    for (const TextRow& row : rows)
        EXPECT_EQ(CaptureShortcut::fromKeysText(QString::fromLatin1(row.text)), row.made)
            << row.text;
}

TEST(CaptureShortcutPair, DefaultsAreValidAndPairsMustDiffer) {
    const CaptureShortcutPair defaults = CaptureShortcutPair::defaults();
    EXPECT_EQ(defaults.explain.display(), QString::fromUtf8("⌃⌥⌘F"));
    EXPECT_EQ(defaults.quick.display(), QString::fromUtf8("⌃⌥⌘Q"));
    EXPECT_EQ(defaults.explain.modifiers, 0x1900u);
    EXPECT_TRUE(defaults.isValid());
    EXPECT_FALSE((CaptureShortcutPair{defaults.explain, defaults.explain}.isValid()));
    EXPECT_TRUE((CaptureShortcutPair{defaults.explain, {3, kOpt | kCmd}}.isValid()));
    EXPECT_FALSE((CaptureShortcutPair{defaults.explain, {3, kShift | kCmd}}.isValid()));
}

TEST(CaptureShortcutCoding, RoundTripsAndWritesSortedMembers) {
    const CaptureShortcutPair pair{{3, 0x1900}, {111, 0x0A00}};
    const QByteArray json = encodeShortcutPair(pair);
    EXPECT_EQ(json, QByteArray(R"({"explain":{"keyCode":3,"modifiers":6400},)"
                               R"("quick":{"keyCode":111,"modifiers":2560}})"));
    EXPECT_EQ(decodeShortcutPair(json), pair);
    EXPECT_EQ(decodeShortcut(encodeShortcut(pair.quick)), pair.quick);
}

TEST(CaptureShortcutCoding, RefusesDataThatIsNotAShortcut) {
    const char* bad[] = {
        "",
        "not json",
        "[1, 2]",
        R"({"keyCode": 3})",
        R"({"keyCode": "3", "modifiers": 6400})",
        R"({"keyCode": -1, "modifiers": 6400})",
        R"({"keyCode": 3, "modifiers": 4294967296})",
        R"({"keyCode": 3.5, "modifiers": 6400})",
    };
    for (const char* json : bad)
        EXPECT_THROW(decodeShortcut(QByteArray(json)), LumbexError) << json;
    EXPECT_THROW(decodeShortcutPair(R"({"explain": {"keyCode": 3, "modifiers": 6400}})"),
                 LumbexError);
}

} // namespace
} // namespace lumbex
