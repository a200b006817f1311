// SPDX-License-Identifier: GPL-3.0-or-later
#include "dose/DoseFactor.h"
#include "dose/DoseSettings.h"
#include "dose/TubePresets.h"
#include "logfile/IniFile.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

TEST(DoseFactor, AcceptsDecimalsAndRefusesWhatNoTubeGives)
{
    EXPECT_DOUBLE_EQ(*DoseFactor::parse(QStringLiteral(" 175.43 ")).value, 175.43);
    EXPECT_DOUBLE_EQ(*DoseFactor::parse(QStringLiteral("108,5")).value, 108.5);
    using E = DoseFactor::Error;
    const std::pair<const char *, E> bad[] = {
        {"", E::Empty},          {"abc", E::NotNumber},  {"12abc", E::NotNumber},
        {"nan", E::NotNumber},   {"inf", E::NotNumber},  {"0", E::NotPositive},
        {"-5", E::NotPositive},  {"0.001", E::TooSmall}, {"1e9", E::TooLarge},
    };
    for (const auto &[text, error] : bad) {
        const auto parsed = DoseFactor::parse(QString::fromLatin1(text));
        EXPECT_FALSE(parsed.value) << text;
        EXPECT_EQ(parsed.error, error) << text;
        EXPECT_FALSE(DoseFactor::message(error).isEmpty());
    }
}

TEST(DoseSettings, PresetsCustomAndBadValueKeepsTheOld)
{
    for (const char *name : {"SBM-20", "J305", "M4011", "LND 712"})
        EXPECT_TRUE(TubePresets::named(QString::fromLatin1(name))) << name;

    DoseSettings dose;
    QSignalSpy changed(&dose, &DoseSettings::factorChanged);
    EXPECT_FALSE(dose.factor());
    EXPECT_TRUE(dose.choosePreset(QStringLiteral("SBM-20")));
    EXPECT_DOUBLE_EQ(*dose.factor(), 175.43);
    EXPECT_FALSE(dose.choosePreset(QStringLiteral("SBM-21")));
    EXPECT_FALSE(dose.setCustom(QStringLiteral("-3")).isEmpty());
    EXPECT_DOUBLE_EQ(*dose.factor(), 175.43);
    EXPECT_EQ(dose.tube(), QStringLiteral("SBM-20"));
    EXPECT_TRUE(dose.setCustom(QStringLiteral("250")).isEmpty());
    EXPECT_EQ(dose.tube(), DoseSettings::customName());
    EXPECT_EQ(changed.count(), 2);
}

TEST(DoseSettings, SectionRoundTripAndDamagedValues)
{
    DoseSettings dose;
    ASSERT_TRUE(dose.setCustom(QStringLiteral("123.5")).isEmpty());
    IniFile ini = IniFile::fromBytes("[TORVALE]\r\nAutSave=true\r\n");
    dose.writeSettings(ini);
    EXPECT_EQ(ini.toBytes(), QByteArray("[TORVALE]\r\nAutSave=true\r\n[Dose]\r\nTube=Custom\r\n"
                                        "Factor=123.5\r\n"));
    DoseSettings back;
    back.readSettings(ini);
    EXPECT_DOUBLE_EQ(*back.factor(), 123.5);

    // A bad factor with a preset's name means the preset; with Custom, none.
    back.readSettings(IniFile::fromBytes("[Dose]\r\nTube=J305\r\nFactor=zero\r\n"));
    EXPECT_DOUBLE_EQ(*back.factor(), 123.147);
    back.readSettings(IniFile::fromBytes("[Dose]\r\nTube=Custom\r\nFactor=-1\r\n"));
    EXPECT_FALSE(back.factor());
    back.readSettings(IniFile::fromBytes("[Dose]\r\nFactor=100\r\n"));
    EXPECT_FALSE(back.factor()); // no tube chosen: counts only
}
