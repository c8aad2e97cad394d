#include "core/json_writer.h"
#include "support/qt_printers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

namespace lumbex {
namespace {

QJsonValue roundTrip(const QString& text) {
    JsonWriter out(JsonWriter::Style::Compact);
    out.beginArray();
    out.value(text);
    out.endArray();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(out.take(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document.array().at(0);
}

TEST(JsonWriter, StringsReadBackExactly) {
    const std::vector<QString> cases{
        QString(),
        QStringLiteral("plain"),
        QStringLiteral("quote \" backslash \\ slash /"),
        QStringLiteral("lines\nand\ttabs\r"),
        QString(QChar(0x01)) + QChar(0x1f) + QChar(0x7f),
        QStringLiteral("한국어 · “typographic” – ×"),
        QStringLiteral("emoji 😀 and 𝄞"),
        QString(QChar(0xD800)) + QStringLiteral("lone high"),
        QStringLiteral("lone low") + QChar(0xDC00),
        QString(QChar(0xDC00)) + QChar(0xD800),
    };
    for (const QString& text : cases)
        EXPECT_EQ(roundTrip(text).toString(), text) << text.toStdString();
}

TEST(JsonWriter, NumbersAreShortestAndExact) {
    const std::vector<double> doubles{0.1, 1.0 / 3, 1e-7, 1e300, -0.5, 760'000'000.123456, 2.0};
    const std::vector<qint64> integers{0, -1, 9'007'199'254'740'993,
                                       std::numeric_limits<qint64>::max(),
                                       std::numeric_limits<qint64>::min()};
    JsonWriter out(JsonWriter::Style::Compact);
    out.beginArray();
    for (double d : doubles)
        out.value(d);
    for (qint64 i : integers)
        out.value(i);
    out.endArray();
    const QByteArray bytes = out.take();
    EXPECT_TRUE(bytes.startsWith("[0.1,0.3333333333333333,1e-07,1e+300,-0.5,760000000.123456,2,"))
        << bytes.constData();
    const QJsonArray read = QJsonDocument::fromJson(bytes).array();
    ASSERT_EQ(read.size(), qsizetype(doubles.size() + integers.size()));
    for (size_t i = 0; i < doubles.size(); ++i)
        EXPECT_EQ(read.at(qsizetype(i)).toDouble(), doubles[i]);
    for (size_t i = 0; i < integers.size(); ++i)
        EXPECT_EQ(read.at(qsizetype(doubles.size() + i)).toInteger(), integers[i]);
}

TEST(JsonWriter, StoredValueConventions) {
    JsonWriter out(JsonWriter::Style::Compact);
    out.beginObject();
    out.key("absent");
    out.value(std::nan(""));
    out.key("id");
    out.value(*parseId(u"0561fa00-aaaa-4bbb-8ccc-0123456789ab"));
    out.key("missing");
    out.null();
    out.key("none");
    out.beginArray();
    out.endArray();
    out.optional("omitted", std::optional<bool>());
    out.key("point");
    out.value(Point{1.5, -2});
    out.key("rect");
    out.value(Rect{1, 2, 3.25, 4});
    out.endObject();
    EXPECT_EQ(out.take(), R"({"absent":null,"id":"0561FA00-AAAA-4BBB-8CCC-0123456789AB",)"
                          R"("missing":null,"none":[],"point":[1.5,-2],"rect":[[1,2],[3.25,4]]})");
}

TEST(JsonWriter, PrettyOutputParsesToTheSameDocument) {
    const auto write = [](JsonWriter::Style style) {
        JsonWriter out(style);
        out.beginObject();
        out.key("a");
        out.beginArray();
        out.beginObject();
        out.key("x");
        out.value(true);
        out.endObject();
        out.value(Point{1, 2});
        out.endArray();
        out.key("b");
        out.beginObject();
        out.endObject();
        out.endObject();
        return QJsonDocument::fromJson(out.take());
    };
    const QJsonDocument pretty = write(JsonWriter::Style::Pretty);
    EXPECT_FALSE(pretty.isNull());
    EXPECT_EQ(pretty, write(JsonWriter::Style::Compact));
}

TEST(JsonWriter, KeysOutOfOrderAreAProgrammingError) {
    JsonWriter out(JsonWriter::Style::Pretty);
    out.beginObject();
    out.key("media");
    out.value(1);
    EXPECT_THROW(out.key("marks"), std::logic_error);
    EXPECT_THROW(out.key("media"), std::logic_error) << "a repeated key";

    JsonWriter missingKey(JsonWriter::Style::Compact);
    missingKey.beginObject();
    EXPECT_THROW(missingKey.value(true), std::logic_error);
}

} // namespace
} // namespace lumbex
