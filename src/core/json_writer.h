#pragma once

#include "core/ids.h"
#include "core/rect.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace lumbex {

// Streams JSON straight into one buffer, in the conventions of every stored file: keys in
// ascending order (checked: a key out of order is a programming error and throws
// std::logic_error), UUIDs upper case, points [x, y], rectangles [[x, y], [width, height]],
// numbers in their shortest exact form. Much cheaper than building a QJsonObject first, which
// matters for autosaves of large notes.
class JsonWriter {
public:
    enum class Style { Pretty, Compact };

    explicit JsonWriter(Style style);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The next member's key; the caller writes its value right after.
    void key(const char* name);

    void value(bool v);
    void value(qint64 v);
    void value(int v) { value(qint64(v)); }
    void value(double v);
    void value(const QString& v);
    void value(const Id& id);
    void value(Point p);
    void value(const Rect& r);
    // JSON null, for a field that is always present but may be unknown.
    void null();

    // Writes `key` and its value when the optional holds one; absent fields are left out.
    template <class T, class Write>
    void optional(const char* name, const std::optional<T>& v, Write write) {
        if (v) {
            key(name);
            write(*v);
        }
    }
    template <class T> void optional(const char* name, const std::optional<T>& v) {
        optional(name, v, [this](const T& x) { value(x); });
    }

    template <class T, class Write> void array(const std::vector<T>& items, Write write) {
        beginArray();
        for (const T& item : items)
            write(item);
        endArray();
    }

    // The finished document (pretty documents end with a line break).
    QByteArray take();

private:
    struct Level {
        bool isObject;
        bool empty = true;
        const char* lastKey = nullptr;
    };

    void beforeValue();
    void newline();
    void appendNumber(double v);

    Style style_;
    QByteArray out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};

} // namespace lumbex
