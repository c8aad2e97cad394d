#include "shortcuts/capture_shortcut.h"

#include "core/error.h"
#include "core/json_read.h"
#include "core/json_writer.h"

#include <QJsonDocument>
#include <QStringList>
#include <array>

namespace lumbex {
namespace {

struct KeyRow {
    std::uint32_t code;
    const char* name;
    Qt::Key qtKey;
};

// The only keys a shortcut may use.
constexpr std::array<KeyRow, 48> kKeys{{
    {0, "A", Qt::Key_A},       {1, "S", Qt::Key_S},       {2, "D", Qt::Key_D},
    {3, "F", Qt::Key_F},       {4, "H", Qt::Key_H},       {5, "G", Qt::Key_G},
    {6, "Z", Qt::Key_Z},       {7, "X", Qt::Key_X},       {8, "C", Qt::Key_C},
    {9, "V", Qt::Key_V},       {11, "B", Qt::Key_B},      {12, "Q", Qt::Key_Q},
    {13, "W", Qt::Key_W},      {14, "E", Qt::Key_E},      {15, "R", Qt::Key_R},
    {16, "Y", Qt::Key_Y},      {17, "T", Qt::Key_T},      {18, "1", Qt::Key_1},
    {19, "2", Qt::Key_2},      {20, "3", Qt::Key_3},      {21, "4", Qt::Key_4},
    {22, "6", Qt::Key_6},      {23, "5", Qt::Key_5},      {25, "9", Qt::Key_9},
    {26, "7", Qt::Key_7},      {28, "8", Qt::Key_8},      {29, "0", Qt::Key_0},
    {31, "O", Qt::Key_O},      {32, "U", Qt::Key_U},      {34, "I", Qt::Key_I},
    {35, "P", Qt::Key_P},      {37, "L", Qt::Key_L},      {38, "J", Qt::Key_J},
    {40, "K", Qt::Key_K},      {45, "N", Qt::Key_N},      {46, "M", Qt::Key_M},
    {122, "F1", Qt::Key_F1},   {120, "F2", Qt::Key_F2},   {99, "F3", Qt::Key_F3},
    {118, "F4", Qt::Key_F4},   {96, "F5", Qt::Key_F5},    {97, "F6", Qt::Key_F6},
    {98, "F7", Qt::Key_F7},    {100, "F8", Qt::Key_F8},   {101, "F9", Qt::Key_F9},
    {109, "F10", Qt::Key_F10}, {103, "F11", Qt::Key_F11}, {111, "F12", Qt::Key_F12},
}};

const KeyRow* rowForCode(std::uint32_t code) {
    for (const KeyRow& row : kKeys)
        if (row.code == code)
            return &row;
    return nullptr;
}

const KeyRow* rowForQtKey(int key) {
    for (const KeyRow& row : kKeys)
        if (row.qtKey == key)
            return &row;
    return nullptr;
}

struct ModifierRow {
    std::uint32_t bit;
    const char* symbol;
    const char* linuxName;
    Qt::KeyboardModifier qt;
    std::uint32_t eventFlag;
};

// In display order.
constexpr std::array<ModifierRow, 4> kModifiers{{
    {CaptureShortcut::kControl, "⌃", "Super", Qt::MetaModifier, CaptureShortcut::kControlFlag},
    {CaptureShortcut::kOption, "⌥", "Alt", Qt::AltModifier, CaptureShortcut::kOptionFlag},
    {CaptureShortcut::kShift, "⇧", "Shift", Qt::ShiftModifier, CaptureShortcut::kShiftFlag},
    {CaptureShortcut::kCommand, "⌘", "Ctrl", Qt::ControlModifier, CaptureShortcut::kCommandFlag},
}};

// Ctrl comes first in Linux texts, as desktops write it.
constexpr std::array<int, 4> kLinuxOrder{3, 1, 0, 2};

std::uint32_t readUnsigned32(const JsonObjectNode& object, const char* key) {
    const JsonNode node = object.required(QString::fromLatin1(key));
    const qint64 value = node.toInt64();
    if (value < 0 || value > 0xFFFFFFFFLL)
        node.fail(QStringLiteral("expected an unsigned 32-bit integer"));
    return std::uint32_t(value);
}

CaptureShortcut readShortcut(const JsonObjectNode& object) {
    return {readUnsigned32(object, "keyCode"), readUnsigned32(object, "modifiers")};
}

void writeShortcut(JsonWriter& writer, const CaptureShortcut& shortcut) {
    writer.beginObject();
    writer.key("keyCode");
    writer.value(qint64(shortcut.keyCode));
    writer.key("modifiers");
    writer.value(qint64(shortcut.modifiers));
    writer.endObject();
}

JsonObjectNode parseObject(const QByteArray& json, const QString& what) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw LumbexError(QStringLiteral("The stored %1 is not valid JSON.").arg(what));
    return JsonObjectNode(document.object(), what);
}

} // namespace

std::optional<QString> shortcutKeyName(std::uint32_t keyCode) {
    if (const KeyRow* row = rowForCode(keyCode))
        return QString::fromLatin1(row->name);
    return std::nullopt;
}

bool CaptureShortcut::isValid() const {
    return rowForCode(keyCode) && (modifiers & kCommand) && (modifiers & (kOption | kControl)) &&
           !(modifiers & ~kModifierMask);
}

QString CaptureShortcut::display() const {
    QString text;
    for (const ModifierRow& row : kModifiers)
        if (modifiers & row.bit)
            text += QString::fromUtf8(row.symbol);
    return text + shortcutKeyName(keyCode).value_or(QStringLiteral("?"));
}

QString CaptureShortcut::keysText() const {
    QStringList parts;
    for (const int index : kLinuxOrder)
        if (modifiers & kModifiers[index].bit)
            parts << QString::fromLatin1(kModifiers[index].linuxName);
    parts << shortcutKeyName(keyCode).value_or(QStringLiteral("?"));
    return parts.join(QLatin1Char('+'));
}

std::uint32_t CaptureShortcut::eventModifiers() const {
    std::uint32_t flags = 0;
    for (const ModifierRow& row : kModifiers)
        if (modifiers & row.bit)
            flags |= row.eventFlag;
    return flags;
}

std::optional<QKeyCombination> CaptureShortcut::qtKey() const {
    const KeyRow* row = rowForCode(keyCode);
    if (!row)
        return std::nullopt;
    Qt::KeyboardModifiers qtModifiers;
    for (const ModifierRow& modifier : kModifiers)
        if (modifiers & modifier.bit)
            qtModifiers |= modifier.qt;
    return QKeyCombination(qtModifiers, row->qtKey);
}

std::optional<CaptureShortcut> CaptureShortcut::fromKey(int qtKey, Qt::KeyboardModifiers held) {
    const KeyRow* row = rowForQtKey(qtKey);
    if (!row || !(held & Qt::ControlModifier) || !(held & (Qt::AltModifier | Qt::MetaModifier)))
        return std::nullopt;
    CaptureShortcut shortcut{row->code, kCommand};
    for (const ModifierRow& modifier : kModifiers)
        if (held & modifier.qt)
            shortcut.modifiers |= modifier.bit;
    return shortcut;
}

std::optional<CaptureShortcut> CaptureShortcut::fromKeysText(const QString& text) {
    const QStringList parts = text.trimmed().split(QLatin1Char('+'));
    CaptureShortcut shortcut;
    const KeyRow* key = nullptr;
    for (const QString& raw : parts) {
        const QString part = raw.trimmed().toLower();
        if (part == u"ctrl" || part == u"cmd" || part == u"command")
            shortcut.modifiers |= kCommand;
        else if (part == u"alt" || part == u"option")
            shortcut.modifiers |= kOption;
        else if (part == u"super" || part == u"meta" || part == u"control")
            shortcut.modifiers |= kControl;
        else if (part == u"shift")
            shortcut.modifiers |= kShift;
        else {
            const KeyRow* named = nullptr;
            for (const KeyRow& row : kKeys)
                if (part == QString::fromLatin1(row.name).toLower())
                    named = &row;
            if (!named || key)
                return std::nullopt;
            key = named;
        }
    }
    if (!key)
        return std::nullopt;
    shortcut.keyCode = key->code;
    return shortcut;
}

bool CaptureShortcutPair::isValid() const {
    return explain.isValid() && quick.isValid() && explain != quick;
}

CaptureShortcutPair CaptureShortcutPair::defaults() {
    constexpr std::uint32_t all =
        CaptureShortcut::kControl | CaptureShortcut::kOption | CaptureShortcut::kCommand;
    return {{3, all}, {12, all}};
}

QByteArray encodeShortcut(const CaptureShortcut& shortcut) {
    JsonWriter writer(JsonWriter::Style::Compact);
    writeShortcut(writer, shortcut);
    return writer.take();
}

CaptureShortcut decodeShortcut(const QByteArray& json) {
    return readShortcut(parseObject(json, QStringLiteral("shortcut")));
}

QByteArray encodeShortcutPair(const CaptureShortcutPair& pair) {
    JsonWriter writer(JsonWriter::Style::Compact);
    writer.beginObject();
    writer.key("explain");
    writeShortcut(writer, pair.explain);
    writer.key("quick");
    writeShortcut(writer, pair.quick);
    writer.endObject();
    return writer.take();
}

CaptureShortcutPair decodeShortcutPair(const QByteArray& json) {
    const JsonObjectNode object = parseObject(json, QStringLiteral("shortcut pair"));
    return {readShortcut(object.required(QStringLiteral("explain")).toObject()),
            readShortcut(object.required(QStringLiteral("quick")).toObject())};
}

} // namespace lumbex
