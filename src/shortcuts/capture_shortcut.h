#pragma once

#include <QByteArray>
#include <QKeyCombination>
#include <QString>
#include <cstdint>
#include <optional>

namespace lumbex {

// A key combination kept in its stored form: a key code of the 48-key table below and modifier
// bits (command 0x100, shift 0x200, option 0x800, control 0x1000). On this platform command is
// Ctrl, option is Alt and control is Super; translation happens only at the edges (qtKey(),
// fromKey()), so stored settings keep their meaning everywhere.
struct CaptureShortcut {
    static constexpr std::uint32_t kCommand = 0x100;
    static constexpr std::uint32_t kShift = 0x200;
    static constexpr std::uint32_t kOption = 0x800;
    static constexpr std::uint32_t kControl = 0x1000;
    static constexpr std::uint32_t kModifierMask = 0x1B00;
    // Event flags of the same modifiers, the form menu key equivalents are compared in.
    static constexpr std::uint32_t kControlFlag = 0x40000;
    static constexpr std::uint32_t kOptionFlag = 0x80000;
    static constexpr std::uint32_t kShiftFlag = 0x20000;
    static constexpr std::uint32_t kCommandFlag = 0x100000;
    static constexpr std::uint32_t kEscapeKeyCode = 53;

    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;

    friend bool operator==(const CaptureShortcut&, const CaptureShortcut&) = default;

    // The key is in the table, command is set with option or control, and no other bit is set.
    bool isValid() const;
    // Modifier symbols in the order ⌃ ⌥ ⇧ ⌘, then the key name ("?" for a key outside the table).
    QString display() const;
    // The form shown in this platform's dialogs: "Ctrl+Alt+Super+F".
    QString keysText() const;
    std::uint32_t eventModifiers() const;
    // The key as Qt names it, or nothing for a key outside the table.
    std::optional<QKeyCombination> qtKey() const;

    // A pressed key: nothing unless the key is in the table and Ctrl is held with Alt or Super.
    // Command is always set; shift, option and control follow the pressed modifiers.
    static std::optional<CaptureShortcut> fromKey(int qtKey, Qt::KeyboardModifiers modifiers);
    // Text like "ctrl+alt+super+f" (names in any case, in any order; "cmd", "option", "meta"
    // and "control" are understood). Nothing when the text names no single known key.
    static std::optional<CaptureShortcut> fromKeysText(const QString& text);
};

// The name of a key code of the table, or nothing.
std::optional<QString> shortcutKeyName(std::uint32_t keyCode);

// The two global shortcuts, "Capture and Explain" and "Quick Capture".
struct CaptureShortcutPair {
    CaptureShortcut explain;
    CaptureShortcut quick;

    friend bool operator==(const CaptureShortcutPair&, const CaptureShortcutPair&) = default;

    // Both valid and different from each other.
    bool isValid() const;
    // Ctrl+Alt+Super+F and Ctrl+Alt+Super+Q.
    static CaptureShortcutPair defaults();
};

// JSON {"keyCode": n, "modifiers": n}; decoding throws LumbexError on anything else.
QByteArray encodeShortcut(const CaptureShortcut& shortcut);
CaptureShortcut decodeShortcut(const QByteArray& json);
// JSON {"explain": {...}, "quick": {...}}.
QByteArray encodeShortcutPair(const CaptureShortcutPair& pair);
CaptureShortcutPair decodeShortcutPair(const QByteArray& json);

} // namespace lumbex
