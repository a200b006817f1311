// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file written at close and restored at start, and the log file
// named on the command line, with the real window.  The offscreen screen of
// this test is 1920 x 1080 (see the test's platform option).

#include "WindowTestSupport.h"

#include "window/ArrowButton.h"
#include "cli/CommandLine.h"
#include "graph/GmChartView.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <sys/mount.h>

using namespace apptest;

namespace
{

const QStringList Ports = {QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0"),
                           QStringLiteral("COM1"), QStringLiteral("COM2")};

class SettingsRestoreTest : public WindowTest
{
protected:
    void SetUp() override
    {
        portList = Ports;
        settingsPath = tempPath(QStringLiteral("torvale.ini"));
    }

    // Writes a settings file of the given "key=value" lines.
    void settings(const QByteArray &lines)
    {
        ASSERT_TRUE(writeFile(settingsPath, "[TORVALE]\r\n" + lines));
    }

    // The control geometries the settings file is about.
    QList<QRect> layout() const
    {
        return {form->frameGeometry(),
                form->Button_MoveToLeft->geometry(),
                form->Button_MoveToRight->geometry(),
                form->StringGrid1->geometry(),
                form->Chart1->geometry(),
                form->Edit1->geometry(),
                form->Button3->geometry(),
                form->CheckBox3->geometry(),
                form->Memo1->geometry()};
    }

    // Every control is inside the window and neither the table nor the chart
    // has been squeezed away.
    void expectUsable()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableVirtualGeometry();
        EXPECT_TRUE(screen.contains(form->frameGeometry().topLeft()))
            << form->frameGeometry().x() << "," << form->frameGeometry().y();
        EXPECT_LE(form->width(), screen.width());
        EXPECT_LE(form->height(), screen.height());
        EXPECT_GE(form->width(), form->minimumWidth());
        EXPECT_GE(form->height(), form->minimumHeight());
        EXPECT_GE(form->StringGrid1->width(), TForm1::MinGridWidth);
        EXPECT_GE(form->Chart1->width(), TForm1::MinChartWidth);
        EXPECT_GT(form->Chart1->x(), form->StringGrid1->x());
        EXPECT_LE(form->Chart1->geometry().right(), form->width());
        EXPECT_GT(form->StringGrid1->height(), 0);
        EXPECT_GE(form->Button_MoveToLeft->x(), 0);
        EXPECT_LT(form->Button_MoveToRight->geometry().right(), form->width());
    }
};

TEST_F(SettingsRestoreTest, AFirstStartUsesTheDefaults)
{
    build();
    EXPECT_EQ(form->frameGeometry(), QRect(0, 0, 962, 768));
    EXPECT_EQ(form->Edit1->text(), QString());
    EXPECT_EQ(form->ComboBox1->currentIndex(), 2);
    EXPECT_EQ(form->ComboBox1->selectedEntry(), QStringLiteral("COM1"));
    EXPECT_EQ(form->rs232c1->portname(), QStringLiteral("COM1"));
    EXPECT_FALSE(form->CheckBox2->isChecked());
    // The splitter keeps its layout place; the chart and the anchored
    // controls follow the window's right edge.
    const int dw = form->width() - 954;
    EXPECT_EQ(form->Button_MoveToLeft->x(), 240);
    EXPECT_EQ(form->Button_MoveToRight->x(), 272);
    EXPECT_EQ(form->StringGrid1->width(), 268);
    EXPECT_EQ(form->Chart1->x(), 280);
    EXPECT_EQ(form->Chart1->width(), 674 + dw);
    EXPECT_EQ(form->Button3->x(), 832 + dw);
    EXPECT_EQ(form->Edit1->width(), 633 + dw);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(SettingsRestoreTest, OnlyLowerCaseTrueTurnsAutoSaveOn)
{
    settings("AutSave=TRUE\r\n");
    build();
    EXPECT_FALSE(form->CheckBox2->isChecked());

    settings("AutSave=true\r\n");
    build();
    EXPECT_TRUE(form->CheckBox2->isChecked());
}

TEST_F(SettingsRestoreTest, ThePortNameSelectsAnEntry)
{
    settings("portname=\r\n");
    build();
    const QString before = Trs232c().portname();
    EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
    EXPECT_EQ(form->rs232c1->portname(), before);

    settings("portname=COM2\r\n");
    build();
    EXPECT_EQ(form->ComboBox1->selectedEntry(), QStringLiteral("COM2"));
    EXPECT_EQ(form->rs232c1->portname(), QStringLiteral("COM2"));

    // No such entry (case counts): the selection stays, the name is taken.
    settings("portname=com2\r\n");
    build();
    EXPECT_EQ(form->ComboBox1->currentIndex(), -1);
    EXPECT_EQ(form->rs232c1->portname(), QStringLiteral("com2"));

    // Only the first eleven entries are looked at.
    QStringList many;
    for (int i = 0; i < 12; ++i)
        many << QStringLiteral("/dev/ttyUSB%1").arg(i);
    portList = many;
    settings("portname=/dev/ttyUSB10\r\n");
    build();
    EXPECT_EQ(form->ComboBox1->currentIndex(), 10);
    // A device path is the user's port wherever it is, or whether the list
    // shows it at all: it is opened and written back, never swapped for com1.
    for (const QString &path : {QStringLiteral("/dev/ttyUSB11"),
                                QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0")}) {
        settings("portname=" + path.toUtf8() + "\r\n");
        build();
        EXPECT_EQ(form->ComboBox1->selectedEntry(), path);
        EXPECT_EQ(form->rs232c1->portname(), path);
        form->ComboBox1DropDown(); // the list looked at again
        EXPECT_EQ(form->ComboBox1->selectedEntry(), path);
    }
}

TEST_F(SettingsRestoreTest, IntegersMayBeHexAndBadOnesGiveTheDefault)
{
    settings("Form1.Width=0x3C2\r\nForm1.Height=abc\r\nForm1.Left=0X10\r\nForm1.Top=-0\r\n");
    build();
    EXPECT_EQ(form->frameGeometry(), QRect(16, 0, 962, 768));

    settings("Form1.Width=abc\r\nForm1.Height=\r\n");
    build();
    EXPECT_EQ(form->frameGeometry().size(), QSize(962, 768));
}

TEST_F(SettingsRestoreTest, WhatCloseWritesTheNextStartPutsBack)
{
    build();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->setGeometry(30, 40, 1100, 700);
    ASSERT_TRUE(waitUntil([&] { return form->width() == 1100; }));
    form->Button_MoveToLeftClick();
    form->Button_MoveToLeftClick();
    form->Edit1->setText(tempPath(QStringLiteral("データ")));
    form->ComboBox1->setCurrentIndex(3);
    form->CheckBox2->setChecked(true);
    const QList<QRect> before = layout();
    ASSERT_TRUE(form->FormClose());

    // Unpadded keys, in their order, and nothing else.
    const QList<QByteArray> lines = readAll(settingsPath).split('\n');
    QList<QByteArray> keys;
    for (const QByteArray &l : lines)
        if (l.contains('='))
            keys << l.left(l.indexOf('='));
    EXPECT_EQ(keys, (QList<QByteArray>{
                        "Form1.Left", "Form1.Top", "Form1.Width", "Form1.Height", "portname",
                        "Button_MoveToLeft.left", "Button_MoveToRight.left", "StringGrid1.Width",
                        "Chart1.Width", "Chart1.left", "data_Directory", "AutSave"}));

    build();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    waitUntil([&] { return layout() == before; }, 1000);
    EXPECT_EQ(layout(), before);
    EXPECT_EQ(form->Edit1->text(), tempPath(QStringLiteral("データ")));
    EXPECT_EQ(form->ComboBox1->selectedEntry(), QStringLiteral("COM2"));
    EXPECT_TRUE(form->CheckBox2->isChecked());

    // Round and round: the window neither grows nor wanders.
    ASSERT_TRUE(form->FormClose());
    build();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    settle(50);
    EXPECT_EQ(layout(), before);
}

TEST_F(SettingsRestoreTest, CloseRewritesTheFileFromScratch)
{
    ASSERT_TRUE(writeFile(settingsPath, "[Other]\r\nkeep=1\r\n[TORVALE]\r\nhand=made\r\n"
                                        "Form1.Left=5\r\n"));
    build();
    ASSERT_TRUE(form->FormClose());
    const QByteArray after = readAll(settingsPath);
    EXPECT_TRUE(after.startsWith("[TORVALE]\r\nForm1.Left=5\r\n")) << after.constData();
    EXPECT_FALSE(after.contains("Other"));
    EXPECT_FALSE(after.contains("hand"));
    EXPECT_EQ(after.count('\n'), 13);
}

TEST_F(SettingsRestoreTest, AnUnwritableSettingsFileAsksWhetherToCloseAnyway)
{
    ASSERT_TRUE(writeFile(tempPath(QStringLiteral("file")), "x"));
    settingsPath = tempPath(QStringLiteral("file/torvale.ini")); // parent is a file
    portList.reset();                                            // the simulator's line
    build();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    startMeasuring(at(10, 20, 30));

    // Cancel: the window stays, the port is closed and the measurement over.
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->measuring());
    EXPECT_FALSE(form->rs232c1->isOpen());
    EXPECT_TRUE(form->Button_start->isEnabled());
    ASSERT_EQ(prompts.texts(QStringLiteral("confirm")).size(), 1);
    const auto &q = prompts.shown.back();
    EXPECT_EQ(q.title, QStringLiteral("error"));
    EXPECT_EQ(q.text,
              QStringLiteral("iniファイルが書き込めません。\n設定を保存しないで終了しますか？"));
    EXPECT_EQ(q.icon, Prompts::Icon::Warning);

    // OK: the window closes without settings.
    prompts.confirmAnswers = {true};
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(prompts.errors().isEmpty());

    // A read-only settings file cannot be written either, whoever runs this
    // (root too), although its folder can; it stays as it was.
    settingsPath = tempPath(QStringLiteral("torvale.ini"));
    settings("Form1.Left=7\r\n");
    ASSERT_TRUE(QFile::setPermissions(settingsPath,
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray old = readAll(settingsPath);
    portList = Ports;
    build();
    prompts.shown.clear();
    EXPECT_FALSE(form->FormClose());
    EXPECT_EQ(prompts.texts(QStringLiteral("confirm")).size(), 1);
    EXPECT_TRUE(prompts.errors().isEmpty());
    EXPECT_EQ(readAll(settingsPath), old);
}

TEST_F(SettingsRestoreTest, AFailedWriteKeepsTheOldFileAndTheWindow)
{
    const QString mnt = tempPath(QStringLiteral("small"));
    ASSERT_TRUE(QDir().mkpath(mnt));
    if (::mount("tmpfs", mnt.toLocal8Bit().constData(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    struct Unmount {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{mnt.toLocal8Bit()};

    settingsPath = mnt + QStringLiteral("/torvale.ini");
    settings("Form1.Left=7\r\n");
    const QByteArray old = readAll(settingsPath);
    // Fill the rest of the file system: an empty file still fits, a written
    // one does not.
    {
        QFile filler(mnt + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(1024, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }

    build();
    EXPECT_FALSE(form->FormClose());
    EXPECT_EQ(prompts.errors(), QStringList{settingsPath + QStringLiteral(" に書き込めません")});
    EXPECT_EQ(readAll(settingsPath), old);
}

TEST_F(SettingsRestoreTest, TheCommandLineFileIsOpenedAtStart)
{
    // A log file to open, written by the window itself.
    build();
    form->dayTable()->setCell(1, 0, QStringLiteral("12/06"));
    form->dayTable()->setCell(1, 30, QStringLiteral("12"));
    const QString log = tempPath(QStringLiteral("two words.CSV"));
    prompts.saveNames = {log};
    form->button_SAVEClick();
    ASSERT_TRUE(QFileInfo::exists(log));

    arguments = {log};
    build();
    EXPECT_EQ(cell(1, 30), QStringLiteral("12"));
    EXPECT_EQ(form->windowTitle(), log);
    EXPECT_EQ(form->openDialogFileName(), log);
    EXPECT_EQ(form->saveDialogFileName(), log);

    arguments = {u'"' + log + u'"'};
    build();
    EXPECT_EQ(cell(1, 30), QStringLiteral("12"));
}

TEST_F(SettingsRestoreTest, TheCommandLineGivesTheFileAndPrintsHelpAndVersion)
{
    build();
    form->dayTable()->setCell(1, 0, QStringLiteral("12/06"));
    form->dayTable()->setCell(1, 30, QStringLiteral("12"));
    const QString log = tempPath(QStringLiteral("計測 2026 -v.CSV"));
    const QString dashed = tempPath(QStringLiteral("-x.CSV"));
    prompts.saveNames = {log, dashed};
    form->button_SAVEClick();
    form->button_SAVEClick();
    ASSERT_TRUE(QFileInfo::exists(dashed));

    const QString program = QStringLiteral("torvale");
    for (const QStringList &line : {QStringList{program, log, QStringLiteral("extra")},
                                    QStringList{program, QStringLiteral("--"), dashed}}) {
        CommandLine commandLine;
        ASSERT_EQ(commandLine.parse(line), CommandLine::Outcome::Run)
            << line.join(u' ').toStdString();
        arguments = commandLine.files();
        build();
        EXPECT_EQ(form->windowTitle(), line[line[1] == QStringLiteral("--") ? 2 : 1]);
        EXPECT_EQ(cell(1, 30), QStringLiteral("12"));
    }

    CommandLine version;
    EXPECT_EQ(version.parse({program, QStringLiteral("--version")}), CommandLine::Outcome::Print);
    EXPECT_TRUE(version.text().startsWith(QCoreApplication::applicationName()));
    CommandLine help;
    EXPECT_EQ(help.parse({program, log, QStringLiteral("-h")}), CommandLine::Outcome::Print);
    EXPECT_TRUE(help.text().contains(QStringLiteral("log-file")));
    CommandLine unknown;
    EXPECT_EQ(unknown.parse({program, QStringLiteral("--bogus")}), CommandLine::Outcome::Fail);
    EXPECT_TRUE(unknown.text().contains(QStringLiteral("bogus")));

    // Only help and version run without a display; "--" ends the options.
    const auto printsOnly = [](std::vector<const char *> argv) {
        return CommandLine::printsOnly(int(argv.size()), const_cast<char **>(argv.data()));
    };
    EXPECT_TRUE(printsOnly({"torvale", "a b.CSV", "--version"}));
    EXPECT_TRUE(printsOnly({"torvale", "-h"}));
    EXPECT_FALSE(printsOnly({"torvale", "a b.CSV"}));
    EXPECT_FALSE(printsOnly({"torvale", "--", "-v"}));
    EXPECT_FALSE(printsOnly({"torvale", "--help-all"}));
}

TEST_F(SettingsRestoreTest, AMissingCommandLineFileIsNamedInABox)
{
    const QString missing = tempPath(QStringLiteral("gone.CSV"));
    arguments = {missing};
    build();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Open"));
    EXPECT_EQ(prompts.shown[0].text, missing + u'\r' + QStringLiteral(" は存在しません"));
    EXPECT_EQ(prompts.shown[0].icon, Prompts::Icon::Warning);
    EXPECT_EQ(form->dayTable()->colCount(), 10);
    EXPECT_EQ(cell(1, 0), QString());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("TORVALE"));

    // A folder is no log file: the same box.
    arguments = {dir.path()};
    prompts.shown.clear();
    build();
    EXPECT_EQ(prompts.messages(),
              QStringList{dir.path() + u'\r' + QStringLiteral(" は存在しません")});
    EXPECT_TRUE(prompts.errors().isEmpty());
}

TEST_F(SettingsRestoreTest, DamagedSettingsNeverMakeTheWindowUnusable)
{
    const QList<QByteArray> damaged = {
        "Form1.Left=-100000\r\nForm1.Top=-100000\r\n",
        "Form1.Left=50000\r\nForm1.Top=40000\r\n",
        "Form1.Width=0\r\nForm1.Height=0\r\n",
        "Form1.Width=100000\r\nForm1.Height=100000\r\n",
        "Form1.Width=-5\r\nForm1.Height=-5\r\nChart1.Width=-100\r\n",
        "Button_MoveToLeft.left=-50\r\nButton_MoveToRight.left=-45\r\n"
        "StringGrid1.Width=-55\r\nChart1.left=-40\r\nChart1.Width=1000\r\n",
        "StringGrid1.Width=5000\r\nChart1.left=5010\r\nChart1.Width=10\r\n",
        "Button_MoveToLeft.left=2147483647\r\nChart1.Width=-2147483648\r\n",
    };
    for (const QByteArray &lines : damaged) {
        SCOPED_TRACE(lines.constData());
        settings(lines);
        build();
        expectUsable();
    }

    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(char((i * 7919 + 13) & 0xff));
    ASSERT_TRUE(writeFile(settingsPath, junk));
    build();
    expectUsable();
    EXPECT_EQ(form->frameGeometry(), QRect(0, 0, 962, 768));
}

} // namespace
