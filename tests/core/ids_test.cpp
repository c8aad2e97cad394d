#include "core/ids.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(Ids, WrittenUpperCaseWithoutBraces) {
    const Id id = *parseId(u"0561fa00-aaaa-4bbb-8ccc-0123456789ab");
    EXPECT_EQ(idString(id), "0561FA00-AAAA-4BBB-8CCC-0123456789AB");
    EXPECT_EQ(parseId(idString(id)), id);
    EXPECT_NE(newId(), newId());
}

TEST(Ids, ParsingIsStrict) {
    const std::vector<QString> refused{
        "",
        "{0561FA00-AAAA-4BBB-8CCC-0123456789AB}",
        "0561FA00AAAA4BBB8CCC0123456789AB",
        "0561FA00-AAAA-4BBB-8CCC-0123456789A",
        "0561FA00-AAAA-4BBB-8CCC-0123456789ABC",
        "0561FA00-AAAA-4BBB-8CCC_0123456789AB",
        "0561FA0G-AAAA-4BBB-8CCC-0123456789AB",
        " 561FA00-AAAA-4BBB-8CCC-0123456789AB",
        QString::fromUtf8("0561FA00-AAAA-4BBB-8CCC-0123456789A\xef\xbc\xa1"),
    };
    for (const QString& text : refused)
        EXPECT_FALSE(parseId(text)) << text.toStdString();
}

} // namespace
} // namespace lumbex
