// SPDX-License-Identifier: GPL-3.0-or-later
// The window as created, its shortcuts (real key events to the focused
// control), the progress pane, the splitter buttons, the folder chooser and
// the anchoring of controls when the window is resized.

#include "WindowTestSupport.h"

#include "window/ArrowButton.h"
#include "graph/GmChartView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

using namespace apptest;

namespace
{

class WindowCommandsTest : public WindowTest
{
protected:
    // Every child's geometry, to compare layouts pixel for pixel.
    QList<QRect> childGeometries() const
    {
        QList<QRect> out;
        for (QWidget *w : form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            out << w->geometry();
        return out;
    }

    void showActive()
    {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->Edit1->setFocus();
        ASSERT_TRUE(waitUntil([&] { return form->Edit1->hasFocus(); }));
    }
};

// Counts the letter key presses that reach a control after the window has
// seen them (modifier keys come as presses of their own).
class KeyCounter : public QObject
{
public:
    int presses = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() != Qt::Key_Control)
            ++presses;
        return false;
    }
};

// Answers the real boxes and dialogs as they come up, as a user would: each
// modal one is recorded and then answered by the next entry of `script`, or
// by `answer` (by default: Cancel).  A dialog that comes back to the top
// after a box over it has closed counts as coming up again.
class DialogCloser : public QObject
{
public:
    using Answer = std::function<void(QDialog *)>;
    QStringList seen;      // class names, in order
    QStringList fileTypes; // the file type entries of the last file dialog
    std::deque<Answer> script;
    Answer answer = [](QDialog *d) { d->reject(); };

    DialogCloser()
    {
        m_timer.callOnTimeout([this] {
            auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!d || !d->isVisible() || d == m_last)
                return;
            m_last = d;
            seen << QString::fromLatin1(d->metaObject()->className());
            if (auto *combo = d->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))) {
                fileTypes.clear();
                for (int i = 0; i < combo->count(); ++i)
                    fileTypes << combo->itemText(i);
            }
            Answer a = answer;
            if (!script.empty()) {
                a = script.front();
                script.pop_front();
            }
            // Answered from the event loop, so that a box the answer opens
            // is met by this timer too.
            QTimer::singleShot(0, d, [d, a] {
                a(d);
                // Under a window manager the window gets the focus back
                // only later, after the key that opened the dialog has
                // been handled.
                if (QWidget *f = QApplication::focusWidget())
                    f->clearFocus();
            });
        });
        m_timer.start(10);
    }

private:
    QTimer m_timer;
    QPointer<QDialog> m_last;
};

TEST_F(WindowCommandsTest, TheWindowAsCreated)
{
    portList = QStringList{};
    build(false);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("TORVALE"));
    EXPECT_EQ(form->size(), QSize(954, 783));

    struct Expected {
        QWidget *w;
        const char *name;
        QRect rect;
        QString text;
    };
    const QList<Expected> controls = {
        {form->Button_start,
         "Button_start",
         {16, 8, 137, 25},
         QStringLiteral("パルスカウント開始")},
        {form->Button_stop, "Button_stop", {168, 8, 137, 25}, QStringLiteral("カウント中断")},
        {form->button_SAVE, "button_SAVE", {336, 8, 137, 25}, QStringLiteral("Save File (Ctrl+S)")},
        {form->Button_OPEN, "Button_OPEN", {480, 8, 137, 25}, QStringLiteral("Open File (Ctrl+O)")},
        {form->button_EXIT, "button_EXIT", {624, 8, 137, 25}, QStringLiteral("EXIT (Alt+F4)")},
        {form->Button1, "Button1", {808, 8, 105, 25}, QStringLiteral("グラフ表示")},
        {form->ComboBox1, "ComboBox1", {128, 41, 89, 27}, QStringLiteral("com1")},
        {form->CheckBox2,
         "CheckBox2",
         {232, 48, 433, 17},
         QStringLiteral("計測時に、カウント数を自動でファイルに保存する")},
        {form->CheckBox1, "CheckBox1", {697, 48, 216, 17}, QStringLiteral("途中経過の表示をする")},
        {form->Label4, "Label4", {13, 75, 175, 19}, QStringLiteral("データの保存フォルダ")},
        {form->Edit1, "Edit1", {200, 72, 633, 23}, QStringLiteral("Edit1")},
        {form->Button3, "Button3", {832, 72, 113, 25}, QStringLiteral("フォルダの参照")},
        {form->CheckBox3,
         "CheckBox3",
         {697, 128, 249, 17},
         QStringLiteral("本日データだけグラフにする")},
        {form->Button_MoveToLeft, "Button_MoveToLeft", {240, 128, 33, 25}, QStringLiteral("▲")},
        {form->Button_MoveToRight, "Button_MoveToRight", {272, 128, 33, 25}, QStringLiteral("▼")},
        {form->StringGrid1, "StringGrid1", {5, 152, 268, 624}, QString()},
        {form->Chart1, "Chart1", {280, 128, 674, 659}, QString()},
        {form->Memo1, "Memo1", {280, 2144, 673, 640}, QString()},
        {form->memo2, "memo2", {536, 2124, 153, 25}, QStringLiteral("途中経過の表示")},
    };
    for (const Expected &c : controls) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.w, nullptr);
        EXPECT_EQ(c.w->objectName(), QLatin1String(c.name));
        EXPECT_EQ(c.w->geometry(), c.rect);
        QString text;
        if (auto *b = qobject_cast<QAbstractButton *>(c.w))
            text = b->text();
        else if (auto *l = qobject_cast<QLabel *>(c.w))
            text = l->text();
        else if (auto *e = qobject_cast<QLineEdit *>(c.w))
            text = e->text();
        else if (auto *m = qobject_cast<QPlainTextEdit *>(c.w))
            text = m->toPlainText();
        else if (auto *cb = qobject_cast<QComboBox *>(c.w))
            text = cb->currentText();
        EXPECT_EQ(text, c.text);
    }
    // Labels fit their text but keep their place.
    const QList<std::tuple<QLabel *, QPoint, QString>> labels = {
        {form->Label2, {16, 48}, QStringLiteral("COMポート№")},
        {form->Label1, {13, 96}, QStringLiteral("カウント数 0")},
        {form->Label_clock, {205, 104}, QStringLiteral("現在の時刻")},
        {form->Label3, {69, 120}, QStringLiteral("１分毎の")},
        {form->Label23, {45, 136}, QStringLiteral("パルス数[cpm]")},
    };
    for (const auto &[label, pos, text] : labels) {
        EXPECT_EQ(label->pos(), pos) << text.toStdString();
        EXPECT_EQ(label->text(), text);
    }

    EXPECT_FALSE(form->Button_stop->isEnabled());
    EXPECT_TRUE(form->Button_start->isEnabled());
    EXPECT_FALSE(form->CheckBox1->isChecked());
    EXPECT_FALSE(form->CheckBox2->isChecked());
    EXPECT_FALSE(form->CheckBox3->isChecked());
    EXPECT_EQ(form->Timer_FOpen->interval(), 50);

    // The day table: time column only.
    DayTable *t = form->dayTable();
    EXPECT_EQ(t->rowCount(), 1441);
    EXPECT_EQ(t->colCount(), 10);
    EXPECT_EQ(t->cell(0, 0), QStringLiteral("計測時刻"));
    EXPECT_EQ(t->cell(0, 1), QStringLiteral("0:00:00"));
    EXPECT_EQ(t->cell(0, 1440), QStringLiteral("23:59:00"));
    for (int c = 1; c < t->colCount(); ++c)
        for (int r = 0; r < t->rowCount(); ++r)
            ASSERT_EQ(t->cell(c, r), QString()) << c << "," << r;

    EXPECT_EQ(form->StringGrid1->columnWidthAt(0), 80);
    for (int c = 1; c < 10; ++c)
        EXPECT_EQ(form->StringGrid1->columnWidthAt(c), 70) << c;
    t->column_insert(1);
    t->column_insert(1);
    EXPECT_EQ(t->colCount(), 12);
    EXPECT_EQ(form->StringGrid1->columnWidthAt(9), 70);
    EXPECT_EQ(form->StringGrid1->columnWidthAt(10), 100);
    EXPECT_EQ(form->StringGrid1->columnWidthAt(11), 100);
}

TEST_F(WindowCommandsTest, ShortcutsPressEnabledButtonsAndTheKeyGoesOn)
{
    build();
    ASSERT_NO_FATAL_FAILURE(showActive());
    KeyCounter counter;
    form->Edit1->installEventFilter(&counter);
    form->dayTable()->setCell(1, 5, QStringLiteral("3"));
    const QString title = form->windowTitle();

    // Ctrl+O: the open dialog once; cancelled, nothing changes.
    QTest::keyClick(form->Edit1, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(prompts.openDialogs, 1);
    EXPECT_EQ(prompts.saveDialogs, 0);
    EXPECT_EQ(form->windowTitle(), title);
    EXPECT_EQ(cell(1, 5), QStringLiteral("3"));
    EXPECT_EQ(counter.presses, 1);

    QTest::keyClick(form->Edit1, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(prompts.saveDialogs, 1);
    EXPECT_EQ(counter.presses, 2);

    // Esc while idle: the stop button is disabled.
    QTest::keyClick(form->Edit1, Qt::Key_Escape);
    EXPECT_FALSE(memoText().contains(QStringLiteral("Close")));

    // Whichever control has the focus.
    for (QWidget *w : QList<QWidget *>{form->ComboBox1, form->StringGrid1, form->Memo1,
                                       form->CheckBox2, form->Button1}) {
        const int before = prompts.openDialogs;
        w->setFocus();
        ASSERT_TRUE(waitUntil([&] { return w->hasFocus(); })) << w->objectName().toStdString();
        QTest::keyClick(w, Qt::Key_O, Qt::ControlModifier);
        EXPECT_EQ(prompts.openDialogs, before + 1) << w->objectName().toStdString();
    }
    form->Edit1->setFocus();
    ASSERT_TRUE(waitUntil([&] { return form->Edit1->hasFocus(); }));

    // Plain typing reaches the field.
    form->Edit1->clear();
    QTest::keyClicks(form->Edit1, QStringLiteral("abc"));
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("abc"));

    // While measuring, save and open are disabled and so are their keys.
    startMeasuring(at(10, 20, 30));
    form->Edit1->setFocus();
    ASSERT_TRUE(waitUntil([&] { return form->Edit1->hasFocus(); }));
    const int opened = prompts.openDialogs;
    QTest::keyClick(form->Edit1, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(form->Edit1, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(prompts.openDialogs, opened);
    EXPECT_EQ(prompts.saveDialogs, 1);
    EXPECT_TRUE(form->measuring());

    // Esc from the day table stops, as the stop button does.
    form->StringGrid1->setFocus();
    ASSERT_TRUE(waitUntil([&] { return form->StringGrid1->hasFocus(); }));
    QTest::keyClick(form->StringGrid1, Qt::Key_Escape);
    EXPECT_FALSE(form->measuring());
    EXPECT_TRUE(memoText().endsWith(QStringLiteral(" Close")));
    EXPECT_EQ(memoText().count(QStringLiteral(" Close")), 1);
}

TEST_F(WindowCommandsTest, ShortcutsShowTheRealDialogsOncePerPress)
{
    portList = QStringList{};
    realPrompts = true;
    build();
    ASSERT_NO_FATAL_FAILURE(showActive());
    DialogCloser closer;

    QTest::keyClick(form->Edit1, Qt::Key_O, Qt::ControlModifier);
    settle(300);
    EXPECT_EQ(closer.seen, QStringList{QStringLiteral("QFileDialog")});
    // The filter names as given, without Qt's pattern added to each.
    EXPECT_EQ(closer.fileTypes,
              (QStringList{QStringLiteral("LOG DATA(*.CSV)"), QStringLiteral("All files (*.*)")}));

    // A save through the dialog: written once, so no second dialog and no
    // question about replacing the file just written.
    const QString path = tempPath(QStringLiteral("day.CSV"));
    closer.answer = [&](QDialog *d) {
        if (auto *f = qobject_cast<QFileDialog *>(d)) {
            // Typed into the name field, and Save pressed.
            f->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                ->setText(tempPath(QStringLiteral("day")));
            static_cast<QDialog *>(f)->accept();
        } else {
            d->reject();
        }
    };
    QTest::keyClick(form->Edit1, Qt::Key_S, Qt::ControlModifier);
    settle(300);
    EXPECT_EQ(closer.seen, QStringList(2, QStringLiteral("QFileDialog")));
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(form->windowTitle(), path);
}

TEST_F(WindowCommandsTest, TheChartTakesNoFocusAndDisabledButtonsLookDisabled)
{
    portList = QStringList{};
    build();
    ASSERT_NO_FATAL_FAILURE(showActive());
    form->Button_MoveToRight->setFocus();
    ASSERT_TRUE(waitUntil([&] { return form->Button_MoveToRight->hasFocus(); }));
    QTest::keyClick(form->Button_MoveToRight, Qt::Key_Tab);
    EXPECT_TRUE(form->button_SAVE->hasFocus())
        << QApplication::focusWidget()->objectName().toStdString();
    QTest::mouseClick(form->Chart1->viewport(), Qt::LeftButton);
    EXPECT_TRUE(form->button_SAVE->hasFocus());

    // Buttons with a text colour of their own grey out like the others.
    const QColor greyed =
        form->button_EXIT->palette().color(QPalette::Disabled, QPalette::ButtonText);
    ASSERT_NE(greyed, QColor(Qt::black));
    for (QPushButton *b : {form->Button_start, form->Button1, form->Button3,
                           static_cast<QPushButton *>(form->Button_MoveToLeft)}) {
        EXPECT_EQ(b->palette().color(QPalette::Active, QPalette::ButtonText), QColor(Qt::black));
        EXPECT_EQ(b->palette().color(QPalette::Disabled, QPalette::ButtonText), greyed)
            << b->objectName().toStdString();
    }
}

TEST_F(WindowCommandsTest, TheRealFolderChooserAsksOverItselfAndKeepsWhatWasTyped)
{
    portList = QStringList{};
    realPrompts = true;
    build();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->Edit1->setText(QStringLiteral("kept"));
    const QString typed = tempPath(QStringLiteral("new/folder"));
    const auto field = [](QDialog *d) { return d->findChild<QLineEdit *>(QStringLiteral("path")); };
    const auto press = [](QMessageBox::StandardButton which) {
        return [which](QDialog *d) { static_cast<QMessageBox *>(d)->button(which)->click(); };
    };
    QString fieldAfterNo;
    QString questionOwner;
    DialogCloser closer;
    closer.script = {
        [&](QDialog *d) {
            field(d)->setText(typed);
            d->accept(); // OK on a folder that does not exist
        },
        [&](QDialog *d) {
            questionOwner = QString::fromLatin1(d->parentWidget()->metaObject()->className());
            press(QMessageBox::No)(d);
        },
        [&](QDialog *d) {
            fieldAfterNo = field(d)->text();
            field(d)->clear();
            d->accept(); // OK with nothing in the field
        },
        press(QMessageBox::Yes),
    };
    form->Button3->click();
    EXPECT_EQ(closer.seen,
              (QStringList{QStringLiteral("FolderChooser"), QStringLiteral("QMessageBox"),
                           QStringLiteral("FolderChooser"), QStringLiteral("QMessageBox")}));
    EXPECT_EQ(fieldAfterNo, typed);
    EXPECT_EQ(questionOwner, QStringLiteral("FolderChooser")); // above the chooser
    EXPECT_FALSE(QFileInfo::exists(typed));
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("kept"));

    // The error report is a box of the window, so that it stays above it.
    auto *report = form->findChild<QMessageBox *>(QStringLiteral("standardErrorReport"));
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->text(), QStringLiteral("ディレクトリを作成できません."));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(report));
    EXPECT_EQ(report->windowHandle()->transientParent(), form->windowHandle());
}

TEST_F(WindowCommandsTest, TheProgressPaneTogglesAndKeepsItsLines)
{
    portList = QStringList{};
    build();
    form->progress(QStringLiteral("line one"));
    form->progress(QStringLiteral("line two"));

    form->CheckBox1->click();
    EXPECT_EQ(form->Memo1->y(), 144);
    EXPECT_EQ(form->memo2->pos(), QPoint(536, 124));
    EXPECT_EQ(memoText(), QStringLiteral("line one\nline two"));

    form->progress(QStringLiteral("line three"));
    form->CheckBox1->click();
    EXPECT_EQ(form->Memo1->y(), 2144);
    EXPECT_EQ(form->memo2->pos(), QPoint(536, 2124));
    EXPECT_EQ(memoText(), QStringLiteral("line one\nline two\nline three"));
}

TEST_F(WindowCommandsTest, SplitterStepsUndoPixelForPixel)
{
    portList = QStringList{};
    build();
    const QList<QRect> before = childGeometries();
    const int grid = form->StringGrid1->width();
    const int chartRight = form->Chart1->geometry().right();
    const int left = form->Button_MoveToLeft->x();

    form->Button_MoveToLeft->click();
    form->Button_MoveToLeft->click();
    EXPECT_EQ(form->Button_MoveToLeft->x(), left - 10);
    EXPECT_EQ(form->Button_MoveToRight->x(), left + 32 - 10);
    EXPECT_EQ(form->StringGrid1->width(), grid - 10);
    EXPECT_EQ(form->Chart1->geometry().right(), chartRight);
    EXPECT_EQ(form->Chart1->x(), 280 - 10);

    form->Button_MoveToRight->click();
    form->Button_MoveToRight->click();
    EXPECT_EQ(childGeometries(), before);

    // The steps stop before the table or the chart disappears.
    for (int i = 0; i < 400; ++i)
        form->Button_MoveToLeft->click();
    EXPECT_GE(form->StringGrid1->width(), TForm1::MinGridWidth);
    for (int i = 0; i < 400; ++i)
        form->Button_MoveToRight->click();
    EXPECT_GE(form->Chart1->width(), TForm1::MinChartWidth);
    EXPECT_EQ(form->Chart1->geometry().right(), chartRight);
}

TEST_F(WindowCommandsTest, TheFolderChooserSetsTheDataFolder)
{
    portList = QStringList{};
    build();
    const QString missing = tempPath(QStringLiteral("not-there"));

    // Cancel: unchanged, also when the field names no folder; the chooser
    // then starts in the current directory.
    form->Edit1->setText(missing);
    form->Button3->click();
    EXPECT_EQ(prompts.folderDialogs, 1);
    EXPECT_EQ(prompts.lastFolderTitle, QStringLiteral("ディレクトリの選択"));
    EXPECT_EQ(prompts.lastInitialDir, QDir::currentPath());
    EXPECT_EQ(form->Edit1->text(), missing);

    // An existing folder is taken as it is and is the next start.
    prompts.folders = {dir.path()};
    form->Button3->click();
    EXPECT_EQ(form->Edit1->text(), dir.path());
    form->Button3->click();
    EXPECT_EQ(prompts.lastInitialDir, dir.path());
    EXPECT_TRUE(prompts.texts(QStringLiteral("yesno")).isEmpty());

    // A missing one: No returns to the chooser, Yes creates it with parents.
    const QString deep = tempPath(QStringLiteral("new/a/b"));
    prompts.folders = {deep, deep};
    prompts.yesNoAnswers = {false, true};
    form->Button3->click();
    EXPECT_EQ(
        prompts.texts(QStringLiteral("yesno")),
        QStringList(2, QStringLiteral("指定されたディレクトリが存在しません。作成しますか？")));
    EXPECT_TRUE(QFileInfo(deep).isDir());
    EXPECT_EQ(form->Edit1->text(), deep);
    EXPECT_TRUE(prompts.errors().isEmpty());
}

TEST_F(WindowCommandsTest, AFolderThatCannotBeMadeIsReportedAndTheFieldKept)
{
    portList = QStringList{};
    build();
    form->Edit1->setText(QStringLiteral("kept"));
    ASSERT_TRUE(writeFile(tempPath(QStringLiteral("file")), "x"));

    prompts.folders = {tempPath(QStringLiteral("file/sub")), QStringLiteral("bare-name")};
    prompts.yesNoAnswers = {true, true};
    form->Button3->click();
    form->Button3->click();
    EXPECT_EQ(prompts.errors(), QStringList(2, QStringLiteral("ディレクトリを作成できません")));
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("kept"));
    EXPECT_FALSE(QFileInfo::exists(QDir::current().filePath(QStringLiteral("bare-name"))));
}

TEST_F(WindowCommandsTest, AnchoredControlsFollowTheWindowEdges)
{
    portList = QStringList{};
    build(false);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QList<QRect> before = childGeometries();
    const QRect edit = form->Edit1->geometry();
    const QRect browse = form->Button3->geometry();
    const QRect today = form->CheckBox3->geometry();
    const QRect grid = form->StringGrid1->geometry();
    const QRect chart = form->Chart1->geometry();
    const QRect memo = form->Memo1->geometry();
    const QRect start = form->Button_start->geometry();

    form->resize(form->width() + 100, form->height() + 50);
    ASSERT_TRUE(waitUntil([&] { return form->Chart1->width() == chart.width() + 100; }, 1000));
    EXPECT_EQ(form->Edit1->geometry(), edit.adjusted(0, 0, 100, 0));
    EXPECT_EQ(form->Button3->geometry(), browse.translated(100, 0));
    EXPECT_EQ(form->CheckBox3->geometry(), today.translated(100, 0));
    EXPECT_EQ(form->StringGrid1->geometry(), grid.adjusted(0, 0, 0, 50));
    EXPECT_EQ(form->Chart1->geometry(), chart.adjusted(0, 0, 100, 50));
    EXPECT_EQ(form->Memo1->geometry(), memo.adjusted(0, 0, 100, 50));
    EXPECT_EQ(form->Button_start->geometry(), start);

    form->resize(form->width() - 100, form->height() - 50);
    ASSERT_TRUE(waitUntil([&] { return childGeometries() == before; }, 1000));
}

TEST_F(WindowCommandsTest, ExitClosesAndSavesAndTheGraphButtonRedraws)
{
    portList = QStringList{};
    build();
    form->dayTable()->setCell(1, 5, QStringLiteral("3"));
    form->Button1->click();
    EXPECT_EQ(form->Chart1->series(0)->count(), 1);

    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->button_EXIT->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(
        readAll(settingsPath.isEmpty() ? tempPath(QStringLiteral("torvale.ini")) : settingsPath)
            .startsWith("[TORVALE]\r\n"));
}

} // namespace
