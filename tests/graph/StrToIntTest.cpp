// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/StrToInt.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{

struct Accepted {
    const char16_t *text;
    qint32 value;
};

TEST(StrToInt, AcceptsDecimalWithBlanksAndOneSign)
{
    const Accepted cases[] = {
        {u"0", 0},
        {u"27", 27},
        {u"+5", 5},
        {u"-5", -5},
        {u"-0", 0},
        {u"   42", 42},
        {u" -1", -1},
        {u"007", 7},
        {u"00000000000000000012", 12},
        {u"2147483647", INT_MAX},
        {u"-2147483648", INT_MIN},
        {u"+2147483647", INT_MAX},
    };
    for (const Accepted &c : cases) {
        const auto v = StrToInt::parse(QStringView(c.text));
        ASSERT_TRUE(v.has_value()) << QString::fromUtf16(c.text).toStdString();
        EXPECT_EQ(*v, c.value) << QString::fromUtf16(c.text).toStdString();
    }
}

TEST(StrToInt, AcceptsHexadecimalAsA32BitPattern)
{
    const Accepted cases[] = {
        {u"$1F", 31},
        {u"$ff", 255},
        {u"0x1F", 31},
        {u"0X1f", 31},
        {u"  $10", 16},
        {u"-$10", -16},
        {u"+0x10", 16},
        {u"$000000000001", 1},
        {u"$7FFFFFFF", INT_MAX},
        {u"$80000000", INT_MIN},
        {u"$FFFFFFFF", -1},
        {u"-$1", -1},
        {u"-$FFFFFFFF", 1},
        {u"-$80000000", INT_MIN},
    };
    for (const Accepted &c : cases) {
        const auto v = StrToInt::parse(QStringView(c.text));
        ASSERT_TRUE(v.has_value()) << QString::fromUtf16(c.text).toStdString();
        EXPECT_EQ(*v, c.value) << QString::fromUtf16(c.text).toStdString();
    }
}

TEST(StrToInt, RefusesEverythingElse)
{
    const char16_t *cases[] = {
        u"",        u" ",          u"   ",         u"+",           u"-",          u"$",
        u"0x",      u"-0x",        u"x1F",         u"X1F",         u"1 ",         u"1\t",
        u"\t1",     u"\n1",        u"1.0",         u"1,000",       u"1e3",        u"12a",
        u"0x1G",    u"$ 1",        u"0x-1",        u"+-1",         u"--1",        u"- 1",
        u"１２",    u"2147483648", u"-2147483649", u"99999999999", u"$100000000", u"0x123456789",
        u"\u00a01", u"1\u3000",
    };
    for (const char16_t *text : cases)
        EXPECT_FALSE(StrToInt::parse(QStringView(text)).has_value())
            << QString::fromUtf16(text).toStdString();
    // An embedded NUL ends nothing: the text goes on after it.
    const QString withNul = QStringLiteral("12") + QChar(u'\0') + QStringLiteral("3");
    EXPECT_FALSE(StrToInt::parse(withNul).has_value());
}

TEST(StrToInt, ErrorMessageQuotesTheTextAsItIs)
{
    EXPECT_EQ(StrToInt::errorMessage(QStringLiteral(" ")),
              QStringLiteral("' ' は整数ではありません"));
    EXPECT_EQ(StrToInt::errorMessage(QStringLiteral("%1x")),
              QStringLiteral("'%1x' は整数ではありません"));
}

} // namespace
