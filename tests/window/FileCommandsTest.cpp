// SPDX-License-Identifier: GPL-3.0-or-later
// The save and open commands of the real window, with the file dialogs and
// boxes answered by the test and real files in a temporary folder.

#include "WindowTestSupport.h"

#include "graph/GmChartView.h"
#include "logfile/LogFile.h"

#include <QDir>
#include <QLineEdit>
#include <QLineSeries>

#include <sys/stat.h>

using namespace apptest;

namespace
{

class FileCommandsTest : public WindowTest
{
protected:
    void SetUp() override
    {
        portList = QStringList{};
        build();
        table = form->dayTable();
    }

    // Saves through the command, answering the dialog with `name`.
    void save(const QString &name)
    {
        prompts.saveNames = {name};
        form->button_SAVEClick();
    }

    DayTable *table = nullptr;
};

TEST_F(FileCommandsTest, SaveForcesTheCsvExtension)
{
    save(tempPath(QStringLiteral("day1")));
    const QString day1 = tempPath(QStringLiteral("day1.CSV"));
    EXPECT_TRUE(QFileInfo::exists(day1));
    EXPECT_EQ(form->windowTitle(), day1);
    EXPECT_EQ(form->saveDialogFileName(), day1);

    save(tempPath(QStringLiteral("data.txt")));
    EXPECT_TRUE(QFileInfo::exists(tempPath(QStringLiteral("data.CSV"))));
    EXPECT_FALSE(QFileInfo::exists(tempPath(QStringLiteral("data.txt"))));
    EXPECT_TRUE(prompts.shown.empty()); // new names: no question

    // Both commands now propose the file just saved.
    form->button_SAVEClick();
    EXPECT_EQ(prompts.lastProposed, tempPath(QStringLiteral("data.CSV")));
    form->Button_OPENClick();
    EXPECT_EQ(prompts.lastProposed, tempPath(QStringLiteral("data.CSV")));
}

TEST_F(FileCommandsTest, SavingOverAFileAsksFirst)
{
    const QString path = tempPath(QStringLiteral("old.CSV"));
    ASSERT_TRUE(writeFile(path, "old bytes"));

    save(tempPath(QStringLiteral("old.txt")));
    ASSERT_EQ(prompts.shown.size(), 1u);
    const auto &q = prompts.shown[0];
    EXPECT_EQ(q.kind, QStringLiteral("confirm"));
    EXPECT_EQ(q.title, QStringLiteral("Save Freq File "));
    EXPECT_EQ(q.text, path + u'\r' + QStringLiteral(" は既に存在します。上書きしますか？") + u'\r' +
                          QStringLiteral(" already exists.  Do you want to replace it?"));
    EXPECT_EQ(q.icon, Prompts::Icon::Warning);
    EXPECT_TRUE(q.cancelIsDefault);
    EXPECT_EQ(readAll(path), QByteArray("old bytes"));
    EXPECT_EQ(form->saveDialogFileName(), path); // the forced name is kept
    EXPECT_NE(form->openDialogFileName(), path);

    prompts.confirmAnswers = {true};
    save(path);
    const QByteArray written = readAll(path);
    EXPECT_NE(written, QByteArray("old bytes"));
    EXPECT_TRUE(written.endsWith("\r\n"));
    EXPECT_EQ(form->openDialogFileName(), path);
    EXPECT_EQ(form->windowTitle(), path);
}

TEST_F(FileCommandsTest, AFailedSaveIsReportedAndNotProposedForOpening)
{
    ASSERT_TRUE(writeFile(tempPath(QStringLiteral("plain")), "x"));
    const QString path = tempPath(QStringLiteral("plain/day.CSV")); // parent is a file
    save(path);
    EXPECT_EQ(prompts.errors().size(), 1);
    EXPECT_EQ(form->windowTitle(), path);
    EXPECT_NE(form->openDialogFileName(), path);
}

TEST_F(FileCommandsTest, OpeningAMissingFileSaysSoAndRedrawsTheUnchangedTable)
{
    table->setCell(1, 0, QStringLiteral("12/07"));
    table->setCell(1, 10, QStringLiteral("5"));
    ASSERT_EQ(form->Chart1->series(0)->count(), 0);

    prompts.openNames = {tempPath(QStringLiteral("old.txt"))};
    form->Button_OPENClick();

    const QString csv = tempPath(QStringLiteral("old.CSV"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("message"));
    EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Open"));
    EXPECT_EQ(prompts.shown[0].text, csv + u'\r' + QStringLiteral(" File not found."));
    EXPECT_EQ(cell(1, 10), QStringLiteral("5"));
    EXPECT_EQ(table->colCount(), 10);
    EXPECT_EQ(form->Chart1->series(0)->count(), 1);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("TORVALE"));
}

TEST_F(FileCommandsTest, OpenLoadsTheFileAndBothDialogsProposeIt)
{
    table->setCell(1, 0, QStringLiteral("12/06"));
    table->setCell(1, 10, QStringLiteral("5"));
    table->setCell(2, 0, QStringLiteral("12/05"));
    table->setCell(2, 20, QStringLiteral("17"));
    const QString path = tempPath(QStringLiteral("week.CSV"));
    save(path);
    ASSERT_TRUE(QFileInfo::exists(path));

    table->setCell(1, 10, QStringLiteral("99"));
    table->setCell(2, 20, QString());
    form->setWindowTitle(QStringLiteral("TORVALE"));

    prompts.openNames = {tempPath(QStringLiteral("week.csv"))};
    form->Button_OPENClick();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(cell(1, 10), QStringLiteral("5"));
    EXPECT_EQ(cell(2, 20), QStringLiteral("17"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("12/06"));
    EXPECT_EQ(form->windowTitle(), path);
    EXPECT_EQ(form->Chart1->series(0)->count(), 1);
    EXPECT_EQ(form->Chart1->series(1)->count(), 1);

    form->button_SAVEClick();
    EXPECT_EQ(prompts.lastProposed, path);
    form->Button_OPENClick();
    EXPECT_EQ(prompts.lastProposed, path);
}

TEST_F(FileCommandsTest, AFileThatCannotBeReadChangesNothingButTheReport)
{
    const QString path = tempPath(QStringLiteral("pipe.CSV"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); // exists, but no file
    table->setCell(1, 10, QStringLiteral("5"));

    prompts.openNames = {path};
    form->Button_OPENClick();
    EXPECT_EQ(prompts.errors().size(), 1);
    EXPECT_EQ(cell(1, 10), QStringLiteral("5"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("TORVALE"));
    EXPECT_EQ(form->Chart1->series(0)->count(), 0); // no redraw after a failed load

    // A folder is not there as a log file.
    const QString folder = tempPath(QStringLiteral("folder.CSV"));
    ASSERT_TRUE(QDir().mkpath(folder));
    prompts.openNames = {folder};
    form->Button_OPENClick();
    EXPECT_EQ(prompts.messages(), QStringList{folder + u'\r' + QStringLiteral(" File not found.")});
    EXPECT_EQ(prompts.errors().size(), 1);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("TORVALE"));
}

TEST_F(FileCommandsTest, ALowerCaseExtensionIsTheFileMeantAndReadOnlyFilesStay)
{
    // data.csv as another program or a copy from elsewhere names it.
    table->setCell(1, 0, QStringLiteral("12/06"));
    table->setCell(1, 10, QStringLiteral("5"));
    const QString lower = tempPath(QStringLiteral("data.csv"));
    ASSERT_EQ(LogFile::save(lower, *table, LogTitle::Manual), QString());
    table->setCell(1, 10, QStringLiteral("99"));

    // Open, with the name as the dialog lists it or as typed.
    for (const QString &picked : {lower, tempPath(QStringLiteral("data"))}) {
        table->setCell(1, 10, QStringLiteral("99"));
        prompts.openNames = {picked};
        form->Button_OPENClick();
        EXPECT_TRUE(prompts.shown.empty()) << prompts.shown[0].text.toStdString();
        EXPECT_EQ(cell(1, 10), QStringLiteral("5"));
        EXPECT_EQ(form->windowTitle(), lower);
        EXPECT_EQ(form->openDialogFileName(), lower);
    }

    // Save: the question names data.csv, which is replaced under its name.
    table->setCell(1, 10, QStringLiteral("7"));
    prompts.confirmAnswers = {true};
    save(tempPath(QStringLiteral("data.txt")));
    ASSERT_EQ(prompts.texts(QStringLiteral("confirm")).size(), 1);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(lower + u'\r'));
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("data.*")}, QDir::Files),
              QStringList{QStringLiteral("data.csv")});
    EXPECT_TRUE(readAll(lower).contains("\"0:09:00\t\",\"7\t\""));
    EXPECT_EQ(form->windowTitle(), lower);
    EXPECT_EQ(form->saveDialogFileName(), lower);

    // Read-only: refused with the access-denied text and left as it was,
    // whoever runs the test (root too).
    ASSERT_TRUE(
        QFile::setPermissions(lower, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray before = readAll(lower);
    prompts.shown.clear();
    prompts.confirmAnswers = {true};
    table->setCell(1, 10, QStringLiteral("8"));
    save(lower);
    EXPECT_EQ(prompts.texts(QStringLiteral("confirm")).size(), 1);
    EXPECT_EQ(prompts.errors(),
              QStringList{QStringLiteral("ファイルへのアクセスが拒否されました")});
    EXPECT_EQ(readAll(lower), before);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(lower).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{QStringLiteral("data.csv")});
}

TEST_F(FileCommandsTest, TheDataFolderIsTheDialogsStartOnlyWhenItExists)
{
    const QString data = tempPath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    form->Edit1->setText(data);
    form->button_SAVEClick();
    EXPECT_EQ(prompts.lastInitialDir, data);
    form->Button_OPENClick();
    EXPECT_EQ(prompts.lastInitialDir, data);

    form->Edit1->setText(tempPath(QStringLiteral("nowhere")));
    form->button_SAVEClick();
    EXPECT_EQ(prompts.lastInitialDir, data);
    form->Button_OPENClick();
    EXPECT_EQ(prompts.lastInitialDir, data);
    EXPECT_EQ(prompts.saveDialogs, 2);
    EXPECT_EQ(prompts.openDialogs, 2);
}

} // namespace
