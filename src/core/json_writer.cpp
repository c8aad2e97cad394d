#include "core/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace lumbex {

JsonWriter::JsonWriter(Style style) : style_(style) {
    out_.reserve(4096);
}

void JsonWriter::newline() {
    if (style_ != Style::Pretty)
        return;
    out_.append('\n');
    out_.append(qsizetype(levels_.size() * 4), ' ');
}

// Separates this value from the previous element of its array, and places it on its own line.
void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty())
        return;
    Level& level = levels_.back();
    if (level.isObject)
        throw std::logic_error("JSON object member written without a key");
    if (!level.empty)
        out_.append(',');
    level.empty = false;
    newline();
}

void JsonWriter::beginObject() {
    beforeValue();
    out_.append('{');
    levels_.push_back({true});
}

void JsonWriter::beginArray() {
    beforeValue();
    out_.append('[');
    levels_.push_back({false});
}

void JsonWriter::endObject() {
    const bool empty = levels_.back().empty;
    levels_.pop_back();
    if (!empty)
        newline();
    out_.append('}');
}

void JsonWriter::endArray() {
    const bool empty = levels_.back().empty;
    levels_.pop_back();
    if (!empty)
        newline();
    out_.append(']');
}

void JsonWriter::key(const char* name) {
    Level& level = levels_.back();
    if (!level.isObject || (level.lastKey && std::strcmp(level.lastKey, name) >= 0))
        throw std::logic_error(std::string("JSON key out of order: ") + name);
    if (!level.empty)
        out_.append(',');
    level.empty = false;
    level.lastKey = name;
    newline();
    out_.append('"').append(name).append(style_ == Style::Pretty ? "\": " : "\":");
    afterKey_ = true;
}

void JsonWriter::value(bool v) {
    beforeValue();
    out_.append(v ? "true" : "false");
}

void JsonWriter::null() {
    beforeValue();
    out_.append("null");
}

void JsonWriter::value(qint64 v) {
    beforeValue();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    out_.append(buffer, result.ptr - buffer);
}

void JsonWriter::appendNumber(double v) {
    // JSON has no NaN or infinity; validation keeps them out of stored records.
    if (!std::isfinite(v)) {
        out_.append("null");
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    out_.append(buffer, result.ptr - buffer);
}

void JsonWriter::value(double v) {
    beforeValue();
    appendNumber(v);
}

void JsonWriter::value(const QString& v) {
    beforeValue();
    out_.reserve(out_.size() + v.size() + 2);
    out_.append('"');
    const auto escape = [this](char16_t unit) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "\\u%04x", unsigned(unit));
        out_.append(buffer, 6);
    };
    const qsizetype n = v.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = v[i].unicode();
        if (c == u'"' || c == u'\\') {
            out_.append('\\').append(char(c));
        } else if (c == u'\n') {
            out_.append("\\n");
        } else if (c < 0x20) {
            escape(c);
        } else if (c < 0x80) {
            out_.append(char(c));
        } else if (c < 0x800) {
            out_.append(char(0xC0 | (c >> 6))).append(char(0x80 | (c & 0x3F)));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n &&
                   QChar::isLowSurrogate(v[i + 1].unicode())) {
            const char32_t code = QChar::surrogateToUcs4(c, v[++i].unicode());
            out_.append(char(0xF0 | (code >> 18)))
                .append(char(0x80 | ((code >> 12) & 0x3F)))
                .append(char(0x80 | ((code >> 6) & 0x3F)))
                .append(char(0x80 | (code & 0x3F)));
        } else if (QChar::isSurrogate(c)) {
            // A lone surrogate has no UTF-8 form; the escape keeps the text exactly as it was.
            escape(c);
        } else {
            out_.append(char(0xE0 | (c >> 12)))
                .append(char(0x80 | ((c >> 6) & 0x3F)))
                .append(char(0x80 | (c & 0x3F)));
        }
    }
    out_.append('"');
}

void JsonWriter::value(const Id& id) {
    beforeValue();
    out_.append('"').append(id.toByteArray(QUuid::WithoutBraces).toUpper()).append('"');
}

void JsonWriter::value(Point p) {
    beforeValue();
    out_.append('[');
    appendNumber(p.x);
    out_.append(style_ == Style::Pretty ? ", " : ",");
    appendNumber(p.y);
    out_.append(']');
}

void JsonWriter::value(const Rect& r) {
    beforeValue();
    const char* separator = style_ == Style::Pretty ? ", " : ",";
    out_.append("[[");
    appendNumber(r.x);
    out_.append(separator);
    appendNumber(r.y);
    out_.append("]").append(separator).append("[");
    appendNumber(r.width);
    out_.append(separator);
    appendNumber(r.height);
    out_.append("]]");
}

QByteArray JsonWriter::take() {
    if (style_ == Style::Pretty)
        out_.append('\n');
    return std::move(out_);
}

} // namespace lumbex
