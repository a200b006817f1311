// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "tests/common/LayoutSettings.h"

#include "logfile/IniFile.h"
#include "logfile/Settings.h"
#include "logfile/SettingsLocation.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

const QString Section = QStringLiteral("TORVALE");

Settings sample()
{
    Settings s;
    s.formLeft = -8;
    s.formTop = 12;
    s.formWidth = 1024;
    s.formHeight = 700;
    s.portname = QStringLiteral("/dev/ttyUSB0");
    s.buttonMoveToLeftLeft = 480;
    s.buttonMoveToRightLeft = 500;
    s.stringGrid1Width = 470;
    s.chart1Width = 520;
    s.chart1Left = 530;
    s.dataDirectory = QStringLiteral("/home/u/計測");
    s.autSave = true;
    return s;
}

// The file as the close writes it, spelled out key by key.
const QByteArray SampleFile = "[TORVALE]\r\n"
                              "Form1.Left=-8\r\n"
                              "Form1.Top=12\r\n"
                              "Form1.Width=1024\r\n"
                              "Form1.Height=700\r\n"
                              "portname=/dev/ttyUSB0\r\n"
                              "Button_MoveToLeft.left=480\r\n"
                              "Button_MoveToRight.left=500\r\n"
                              "StringGrid1.Width=470\r\n"
                              "Chart1.Width=520\r\n"
                              "Chart1.left=530\r\n"
                              "data_Directory=/home/u/\x8c\x76\x91\xaa\r\n"
                              "AutSave=true\r\n";

bool sameSettings(const Settings &a, const Settings &b)
{
    return a.formLeft == b.formLeft && a.formTop == b.formTop && a.formWidth == b.formWidth &&
           a.formHeight == b.formHeight && a.portname == b.portname &&
           a.buttonMoveToLeftLeft == b.buttonMoveToLeftLeft &&
           a.buttonMoveToRightLeft == b.buttonMoveToRightLeft &&
           a.stringGrid1Width == b.stringGrid1Width && a.chart1Width == b.chart1Width &&
           a.chart1Left == b.chart1Left && a.dataDirectory == b.dataDirectory &&
           a.autSave == b.autSave;
}

} // namespace

TEST(Settings, WrittenFileIsExactlyTheTwelveKeys)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("torvale.ini"));
    // Keys and sections added by hand are gone after the rewrite.
    ASSERT_TRUE(writeFile(path, "[Other]\r\nx=1\r\n[TORVALE]\r\nExtra=2\r\nForm1.Left=5\r\n"));
    ASSERT_EQ(sample().write(path), QString());
    EXPECT_EQ(readAll(path), SampleFile);
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("torvale.ini")});

    const Settings back = Settings::read(IniFile::load(path), layoutSettings());
    EXPECT_TRUE(sameSettings(back, sample()));
}

TEST(Settings, DefaultsForWhatIsMissingOrDoesNotConvert)
{
    const Settings none = Settings::read(IniFile(), layoutSettings());
    Settings expected = layoutSettings();
    EXPECT_TRUE(sameSettings(none, expected));
    EXPECT_EQ(none.formWidth, 962);
    EXPECT_EQ(none.formHeight, 768);
    EXPECT_EQ(none.portname, QStringLiteral("COM1"));
    EXPECT_FALSE(none.autSave);

    const Settings s = Settings::read(IniFile::fromBytes("[TORVALE]\n"
                                                         "Form1.Width=0x3C2\n"
                                                         "Form1.Height=abc\n"
                                                         "Form1.Left=\n"
                                                         "portname=\n"
                                                         "AutSave=TRUE\n"
                                                         "StringGrid1.Width=99999999999\n"),
                                      layoutSettings());
    EXPECT_EQ(s.formWidth, 962);
    EXPECT_EQ(s.formHeight, 768);
    EXPECT_EQ(s.formLeft, 0);
    EXPECT_EQ(s.portname, QString()); // present but empty: the first port
    EXPECT_FALSE(s.autSave);
    EXPECT_EQ(s.stringGrid1Width, 333);
}

TEST(IniFile, IntegerConversion)
{
    const IniFile ini =
        IniFile::fromBytes("[s]\r\n"
                           "hex=0x3C2\r\nHEX=0X3c2\r\nneg=-17\r\nplus=+17\r\n"
                           "short=0x\r\nbadhex=0xZZ\r\nnegHex=0x-1\r\n"
                           "max=2147483647\r\nover=2147483648\r\nmin=-2147483648\r\n"
                           "bighex=0x80000000\r\nspace=1 2\r\nsigns=+-1\r\n"
                           "octal=010\r\nfloat=1.5\r\n");
    const auto get = [&](const char *key) {
        return ini.readInteger(QStringLiteral("s"), QString::fromLatin1(key), -99);
    };
    EXPECT_EQ(get("hex"), 962);
    EXPECT_EQ(get("HEX"), 962); // the first of two equal keys wins
    EXPECT_EQ(get("neg"), -17);
    EXPECT_EQ(get("plus"), 17);
    EXPECT_EQ(get("short"), -99);
    EXPECT_EQ(get("badhex"), -99);
    EXPECT_EQ(get("negHex"), -99);
    EXPECT_EQ(get("max"), 2147483647);
    EXPECT_EQ(get("over"), -99);
    EXPECT_EQ(get("min"), -2147483647 - 1);
    EXPECT_EQ(get("bighex"), -99);
    EXPECT_EQ(get("space"), -99);
    EXPECT_EQ(get("signs"), -99);
    EXPECT_EQ(get("octal"), 10);
    EXPECT_EQ(get("float"), -99);
    EXPECT_EQ(get("missing"), -99);
}

TEST(IniFile, LookupIgnoresBlanksAndCase)
{
    const IniFile ini = IniFile::fromBytes("junk before any section\r\n"
                                           "  [ torvale ]  \r\n"
                                           "  Chart1.left   =  530  \r\n"
                                           "Button_MoveToLeft.left=480\r\n"
                                           "no equals sign here\r\n"
                                           "data_Directory=\x8c\x76\x91\xaa\\x\r\n"
                                           "[TORVALE]\r\n"
                                           "later=1\r\n");
    EXPECT_EQ(ini.readInteger(Section, QStringLiteral("Chart1.left            "), 0), 530);
    EXPECT_EQ(ini.readInteger(Section, QStringLiteral("Button_MoveToLeft.left "), 0), 480);
    EXPECT_EQ(ini.readString(Section, QStringLiteral("data_Directory"), QString()),
              QStringLiteral("計測\\x"));
    EXPECT_EQ(ini.readString(Section, QStringLiteral("later"), QStringLiteral("d")),
              QStringLiteral("1")); // a repeated section adds to the first
    EXPECT_EQ(ini.readString(QStringLiteral("other"), QStringLiteral("later"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST(IniFile, LongValuesAreCutAndJunkIsHarmless)
{
    IniFile ini;
    ini.writeString(Section, QStringLiteral("long"), QString(5000, u'a'));
    ini.writeString(Section, QStringLiteral("lines"), QStringLiteral("one\r\ntwo=3"));
    const IniFile back = IniFile::fromBytes(ini.toBytes());
    EXPECT_EQ(back.readString(Section, QStringLiteral("long"), QString()), QString(2047, u'a'));
    EXPECT_EQ(back.readString(Section, QStringLiteral("lines"), QString()), QStringLiteral("one"));
    EXPECT_EQ(back.readString(Section, QStringLiteral("two"), QStringLiteral("none")),
              QStringLiteral("none"));

    QRandomGenerator rng(5);
    QByteArray junk(1 << 20, Qt::Uninitialized);
    for (char &c : junk)
        c = char(rng.bounded(256));
    junk += "\n[TORVALE]\nForm1.Width=\0\x01\xff\n";
    const Settings s = Settings::read(IniFile::fromBytes(junk), layoutSettings());
    EXPECT_EQ(s.formWidth, 962);
    const IniFile huge = IniFile::fromBytes("[TORVALE]\nportname=" + QByteArray(8 << 20, 'x'));
    EXPECT_EQ(huge.readString(Section, QStringLiteral("portname"), QString()).size(), 2047);
}

TEST(IniFile, EveryFolderPathComesBackExactly)
{
    // Paths the code page holds keep their CP932 bytes; others, and those
    // with a leading blank, are kept as UTF-8 after the mark, never with "?"
    // for a character or without the blank.
    const QList<std::pair<QString, QByteArray>> cases = {
        {QStringLiteral("C:\\データ\\what?"), "C:\\\x83\x66\x81\x5B\x83\x5E\\what?"},
        {QStringLiteral("/home/x/Gerät"), "\xEF\xBB\xBF/home/x/Ger\xC3\xA4t"},
        {QStringLiteral("/srv/日志/😀"),
         "\xEF\xBB\xBF/srv/\xE6\x97\xA5\xE5\xBF\x97/\xF0\x9F\x98\x80"},
        {QStringLiteral(" data"), "\xEF\xBB\xBF data"},
    };
    for (const auto &[path, bytes] : cases) {
        Settings s = sample();
        s.dataDirectory = path;
        const QByteArray file = s.toIni().toBytes();
        EXPECT_TRUE(file.contains("\r\ndata_Directory=" + bytes + "\r\n")) << file.constData();
        EXPECT_EQ(Settings::read(IniFile::fromBytes(file), layoutSettings()).dataDirectory, path);
    }

    // The 2047-byte cut ends before a character it would split.
    const QString a2046(2046, u'a');
    IniFile ini;
    ini.writeString(Section, QStringLiteral("cp932"), a2046 + QStringLiteral("あい"));
    ini.writeString(Section, QStringLiteral("utf8"), a2046.left(2043) + QStringLiteral("äb"));
    ini.writeString(Section, QStringLiteral("fits"), a2046.left(2042) + QStringLiteral("ä"));
    const IniFile back = IniFile::fromBytes(ini.toBytes());
    EXPECT_EQ(back.readString(Section, QStringLiteral("cp932"), {}), a2046);
    EXPECT_EQ(back.readString(Section, QStringLiteral("utf8"), {}), a2046.left(2043));
    EXPECT_EQ(back.readString(Section, QStringLiteral("fits"), {}),
              a2046.left(2042) + QStringLiteral("ä"));
}

// A file that is there but cannot be read is told apart from a missing one,
// so that no caller takes it for empty and writes defaults over it.
TEST(IniFile, AFileThatCannotBeReadIsNoEmptyFile)
{
    QString error = QStringLiteral("untouched");
    EXPECT_EQ(IniFile::load(QStringLiteral("/nonexistent/torvale.ini"), &error).toBytes(),
              QByteArray());
    EXPECT_EQ(error, QStringLiteral("untouched"));
    // Opens, but every read fails (EIO).
    IniFile::load(QStringLiteral("/proc/self/mem"), &error);
    EXPECT_NE(error, QStringLiteral("untouched"));
    EXPECT_FALSE(error.isEmpty());
}

TEST(IniFile, FailedWriteKeepsTheOldFile)
{
    ScratchMount small("size=16k");
    if (!small.ok())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const QString path = small.path() + QStringLiteral("/torvale.ini");
    ASSERT_TRUE(writeFile(path, SampleFile));
    IniFile big;
    for (int i = 0; i < 40; ++i)
        big.writeString(Section, QStringLiteral("k%1").arg(i), QString(2000, u'v'));
    EXPECT_EQ(big.saveTo(path), QStringLiteral("ディスクがいっぱいです"));
    EXPECT_EQ(readAll(path), SampleFile);
    EXPECT_EQ(entries(small.path()), QStringList{QStringLiteral("torvale.ini")});

    ASSERT_TRUE(small.setReadOnly(true));
    EXPECT_EQ(layoutSettings().write(path), QStringLiteral("ファイルへのアクセスが拒否されました"));
    EXPECT_EQ(readAll(path), SampleFile);
}

TEST(SettingsLocation, BesideTheExecutableOrInTheUsersFolder)
{
    EXPECT_EQ(SettingsLocation::besideExecutable(QStringLiteral("/opt/t/torvale")),
              QStringLiteral("/opt/t/torvale.ini"));
    EXPECT_EQ(SettingsLocation::besideExecutable(QStringLiteral("/opt/t/logger.bin")),
              QStringLiteral("/opt/t/logger.ini"));
    EXPECT_EQ(SettingsLocation::besideExecutable(QStringLiteral("/opt/v1.2/torvale")),
              QStringLiteral("/opt/v1.2/torvale.ini"));
    EXPECT_EQ(SettingsLocation::besideExecutable(QStringLiteral("/opt/t/.hidden")),
              QStringLiteral("/opt/t/.hidden.ini"));

    QTemporaryDir writable;
    const QString exe = writable.filePath(QStringLiteral("torvale"));
    EXPECT_EQ(SettingsLocation::path(exe, QStringLiteral("/cfg")), exe + QStringLiteral(".ini"));

    ScratchMount readOnly("size=16k");
    if (!readOnly.ok())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const QString installed = readOnly.path() + QStringLiteral("/torvale");
    const QString shipped = readOnly.path() + QStringLiteral("/torvale.ini");
    ASSERT_TRUE(readOnly.setReadOnly(true));
    EXPECT_EQ(SettingsLocation::path(installed, QStringLiteral("/cfg")),
              QStringLiteral("/cfg/torvale/torvale.ini"));
    ASSERT_TRUE(readOnly.setReadOnly(false));
    ASSERT_TRUE(writeFile(shipped, SampleFile));
    ASSERT_TRUE(readOnly.setReadOnly(true));
    EXPECT_EQ(SettingsLocation::path(installed, QStringLiteral("/cfg")), shipped);

    // The user's folder is made by the write.
    QTemporaryDir config;
    const QString inConfig =
        SettingsLocation::path(readOnly.path() + QStringLiteral("/other"), config.path());
    EXPECT_EQ(inConfig, config.path() + QStringLiteral("/torvale/torvale.ini"));
    EXPECT_EQ(sample().write(inConfig), QString());
    EXPECT_EQ(readAll(inConfig), SampleFile);
}

TEST(SettingsLocation, AnInstalledProgramNeverKeepsThemBesideItself)
{
    // A prefix whose bin folder root could write into, with an old settings
    // file beside the executable: the install marker alone decides.
    QTemporaryDir prefix;
    const QString exe = prefix.filePath(QStringLiteral("bin/torvale"));
    ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(writeFile(SettingsLocation::besideExecutable(exe), SampleFile));
    EXPECT_EQ(SettingsLocation::path(exe, QStringLiteral("/cfg")),
              prefix.filePath(QStringLiteral("bin/torvale.ini")));

    const QString marker = SettingsLocation::installMarker(exe);
    ASSERT_TRUE(marker.startsWith(prefix.path() + u'/')) << marker.toStdString();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(marker).path()));
    ASSERT_TRUE(writeFile(marker, {}));
    EXPECT_EQ(SettingsLocation::path(exe, QStringLiteral("/cfg")),
              QStringLiteral("/cfg/torvale/torvale.ini"));

    // The user's folder from the environment: XDG_CONFIG_HOME when absolute.
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/xdg");
    EXPECT_EQ(SettingsLocation::path(exe), QStringLiteral("/xdg/torvale/torvale.ini"));
    qputenv("XDG_CONFIG_HOME", "relative/cfg");
    EXPECT_EQ(SettingsLocation::path(exe),
              QDir::homePath() + QStringLiteral("/.config/torvale/torvale.ini"));
    if (hadXdg)
        qputenv("XDG_CONFIG_HOME", oldXdg);
    else
        qunsetenv("XDG_CONFIG_HOME");
}
