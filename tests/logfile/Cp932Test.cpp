// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include "logfile/Cp932.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace
{

QByteArray bytes(const char *s)
{
    return QByteArray(s);
}

} // namespace

TEST(Cp932, FixedTextsHaveTheirWindowsBytes)
{
    EXPECT_EQ(Cp932::encode(u"計測時刻"), bytes("\x8c\x76\x91\xaa\x8e\x9e\x8d\x8f"));
    const QByteArray manual = Cp932::encode(u"１分おきに集計したＧＭパルスカウントデータ");
    EXPECT_EQ(manual.size(), 42);
    EXPECT_EQ(manual, bytes("\x82\x50\x95\xaa\x82\xa8\x82\xab\x82\xc9\x8f\x57\x8c\x76\x82\xb5"
                            "\x82\xbd\x82\x66\x82\x6c\x83\x70\x83\x8b\x83\x58\x83\x4a\x83\x45"
                            "\x83\x93\x83\x67\x83\x66\x81\x5b\x83\x5e"));
    const QByteArray autoSave = Cp932::encode(u"1分おきに集計したパルス集計データ");
    EXPECT_EQ(autoSave.size(), 33);
    EXPECT_EQ(autoSave, bytes("1\x95\xaa\x82\xa8\x82\xab\x82\xc9\x8f\x57\x8c\x76\x82\xb5\x82\xbd"
                              "\x83\x70\x83\x8b\x83\x58\x8f\x57\x8c\x76\x83\x66\x81\x5b\x83\x5e"));
}

TEST(Cp932, WindowsMappingsBothWays)
{
    struct Case {
        const char16_t *text;
        const char *bytes;
    };
    const Case cases[] = {
        {u"～", "\x81\x60"}, // full-width tilde, where JIS has the wave dash
        {u"①", "\x87\x40"},  // NEC row 13
        {u"髙", "\xfb\xfc"}, // IBM extension, as Windows writes it
        {u"\\", "\x5c"},     // a backslash, not a yen sign
        {u"~", "\x7e"},      // a tilde, not an overline
        {u"ｱ", "\xb1"},      // half-width katakana: one byte
        {u"09/18", "09/18"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Cp932::encode(c.text), bytes(c.bytes))
            << QString::fromUtf16(c.text).toStdString();
        EXPECT_EQ(Cp932::decode(c.bytes), QString::fromUtf16(c.text)) << c.bytes;
    }
    // Text typed on other systems uses the JIS forms; Windows writes them so.
    EXPECT_EQ(Cp932::encode(u"〜−¢"), bytes("\x81\x60\x81\x7c\x81\x91"));
}

TEST(Cp932, EveryByteSequenceComesBackUnchanged)
{
    // All one- and two-byte sequences, and three-byte ones around lead bytes.
    for (int a = 0; a < 256; ++a) {
        const char one[1] = {char(a)};
        ASSERT_EQ(Cp932::encode(Cp932::decode(QByteArrayView(one, 1))), QByteArray(one, 1)) << a;
        for (int b = 0; b < 256; ++b) {
            const char two[3] = {char(a), char(b), 'x'};
            for (int n : {2, 3})
                ASSERT_EQ(Cp932::encode(Cp932::decode(QByteArrayView(two, n))), QByteArray(two, n))
                    << a << " " << b;
        }
    }
    QRandomGenerator rng(932);
    for (int i = 0; i < 200; ++i) {
        QByteArray junk(int(rng.bounded(1, 300)), Qt::Uninitialized);
        for (char &c : junk)
            c = char(rng.bounded(256));
        ASSERT_EQ(Cp932::encode(Cp932::decode(junk)), junk);
    }
}

TEST(Cp932, BytesThatAreNotCharactersBecomeEscapes)
{
    // 0x80 and 0xFF are no characters; 0x82 0x20 is a lead byte whose trail
    // is missing; 0xEE 0xE0 is a code Windows never writes (it writes 髙 as
    // 0xFB 0xFC), kept as two bytes so it is written back as read.
    EXPECT_EQ(Cp932::decode("\x80\xff"), units({char16_t(0xDC80), char16_t(0xDCFF)}));
    EXPECT_EQ(Cp932::decode("\x82 1"), units({char16_t(0xDC82), u' ', u'1'}));
    EXPECT_EQ(Cp932::decode("a\x82"), units({u'a', char16_t(0xDC82)}));
    EXPECT_EQ(Cp932::decode("\xee\xe0"), units({char16_t(0xDCEE), char16_t(0xDCE0)}));
    EXPECT_EQ(Cp932::decode(QByteArrayView("\0\x31", 2)), units({char16_t(0), u'1'}));
}

TEST(Cp932, CharactersItCannotHoldBecomeOneQuestionMark)
{
    EXPECT_EQ(Cp932::encode(u"a😀b"), bytes("a?b"));
    EXPECT_EQ(Cp932::encode(u"é한"), bytes("??"));
    // Lone surrogates that are not byte escapes.
    EXPECT_EQ(Cp932::encode(units({char16_t(0xD800), u'x', char16_t(0xDC41)})), bytes("?x?"));
}
