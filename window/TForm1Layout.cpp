// SPDX-License-Identifier: GPL-3.0-or-later
// The window's controls: places, sizes, captions, fonts, creation order and
// tab order.  Sizes are pixels; the window does not rescale.
#include "window/TForm1.h"

#include "window/ArrowButton.h"
#include "window/DayGrid.h"
#include "window/PortComboBox.h"
#include "window/ProgressPane.h"
#include "core/DayTable.h"
#include "graph/GmChartView.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace
{

// The nearest installed fonts to the layout's Japanese system fonts.
const QString PMincho = QStringLiteral("IPAPMincho");
const QString PGothic = QStringLiteral("IPAPGothic");
const QString Gothic = QStringLiteral("IPAGothic");

QFont pixelFont(const QString &family, int px, bool bold = false)
{
    QFont f(family);
    f.setPixelSize(px);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

template <class W> W *place(W *w, const char *name, int x, int y, int width, int height)
{
    w->setObjectName(QLatin1String(name));
    w->setGeometry(x, y, width, height);
    return w;
}

// The colour of an enabled control's text; a disabled one keeps the
// style's greyed text, so that it still looks disabled.
void setTextColor(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
        for (QPalette::ColorRole r : {QPalette::ButtonText, QPalette::WindowText, QPalette::Text})
            p.setColor(g, r, c);
    w->setPalette(p);
}

// The controls in creation order, a part each: a later control lies on top
// of an earlier one.  The controls are public, so these need no members.

void createLabels(TForm1 *f)
{
    // Labels lie on the window's background, under every other control.
    f->Label2 = place(new QLabel(TForm1::tr("COM port"), f), "Label2", 16, 48, 110, 19);
    f->Label2->setFont(pixelFont(PMincho, 19));
    f->Label4 = place(new QLabel(TForm1::tr("Data folder"), f), "Label4", 13, 75, 175, 19);
    f->Label4->setFont(pixelFont(PGothic, 19));
    f->Label4->setAlignment(Qt::AlignRight | Qt::AlignTop);
    f->Label1 = place(new QLabel(TForm1::tr("Count %1").arg(0), f), "Label1", 13, 96, 103, 19);
    f->Label1->setFont(pixelFont(PGothic, 19, true));
    {
        QPalette p = f->Label1->palette();
        p.setColor(QPalette::Window, f->palette().color(QPalette::Active, QPalette::Highlight));
        p.setColor(QPalette::WindowText, Qt::red);
        f->Label1->setPalette(p);
        f->Label1->setAutoFillBackground(true);
    }
    f->Label_clock =
        place(new QLabel(TForm1::tr("Current time"), f), "Label_clock", 205, 104, 94, 19);
    f->Label_clock->setFont(pixelFont(PMincho, 19));
    f->Label3 = place(new QLabel(TForm1::tr("Pulses per"), f), "Label3", 69, 120, 57, 16);
    f->Label3->setFont(pixelFont(PMincho, 16));
    f->Label23 = place(new QLabel(TForm1::tr("minute [cpm]"), f), "Label23", 45, 136, 97, 16);
    f->Label23->setFont(pixelFont(PMincho, 16));
    // Labels fit their text, as auto-sized labels do; Label4 keeps its box
    // because its text is right-aligned in it.
    for (QLabel *l : {f->Label2, f->Label1, f->Label_clock, f->Label3, f->Label23})
        l->adjustSize();
}

// The chart, and the caption of the progress pane that lies over it.
void createChart(TForm1 *f)
{
    f->Chart1 = place(new GmChartView(f), "Chart1", 280, 128, 674, 659);
    f->Chart1->setFocusPolicy(Qt::NoFocus); // a picture, no tab stop
    QPlainTextEdit *caption = f->memo2 =
        place(new QPlainTextEdit(TForm1::tr("Progress"), f), "memo2", 536, 124, 153, 25);
    caption->setFont(pixelFont(PMincho, 19));
    caption->setFrameShape(QFrame::NoFrame);
    caption->setReadOnly(true);
    caption->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    caption->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    caption->setBackgroundRole(QPalette::Window);
    caption->viewport()->setBackgroundRole(QPalette::Window);
    caption->document()->setDocumentMargin(0);
}

// The row of buttons along the top, and the port box.
void createCommandRow(TForm1 *f)
{
    f->button_SAVE =
        place(new QPushButton(TForm1::tr("Save File (Ctrl+S)"), f), "button_SAVE", 336, 8, 137, 25);
    f->button_EXIT =
        place(new QPushButton(TForm1::tr("EXIT (Alt+F4)"), f), "button_EXIT", 624, 8, 137, 25);
    PortComboBox *ports = f->ComboBox1 = place(new PortComboBox(f), "ComboBox1", 128, 41, 89, 27);
    ports->setEditable(true);
    ports->useElidingField();
    ports->setInsertPolicy(QComboBox::NoInsert);
    ports->setMaxVisibleItems(10);
    ports->setFont(pixelFont(PMincho, 19));
    for (int i = 1; i <= 10; ++i)
        ports->addItem(QStringLiteral("com%1").arg(i));
    ports->setCurrentIndex(-1);
    ports->setEditText(QStringLiteral("com1"));
    f->Button_OPEN =
        place(new QPushButton(TForm1::tr("Open File (Ctrl+O)"), f), "Button_OPEN", 480, 8, 137, 25);
    f->Button_stop = place(new QPushButton(TForm1::tr("Stop"), f), "Button_stop", 168, 8, 137, 25);
    f->Button_stop->setEnabled(false);
    f->Button_start =
        place(new QPushButton(TForm1::tr("Start counting"), f), "Button_start", 16, 8, 137, 25);
    setTextColor(f->Button_start, Qt::black);
}

// The day table and the progress pane.
void createGridAndPane(TForm1 *f)
{
    f->StringGrid1 = place(new DayGrid(f), "StringGrid1", 5, 152, 268, 624);
    f->StringGrid1->setFont(pixelFont(Gothic, 17));
    f->StringGrid1->horizontalHeader()->setFont(pixelFont(Gothic, 17));
    f->StringGrid1->verticalHeader()->setFont(pixelFont(Gothic, 17));

    f->Memo1 = place(new ProgressPane(f), "Memo1", 280, 144, 673, 640);
    f->Memo1->setFont(pixelFont(Gothic, 13));
    f->Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    f->Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // One line per pulse for weeks on end: keep the newest lines only, so the
    // pane cannot eat the machine's memory.  The counts are in the table.
    f->Memo1->setMaximumBlockCount(100000);
}

// The check boxes, the folder field and the buttons beside them.
void createOptions(TForm1 *f)
{
    f->CheckBox2 = place(new QCheckBox(TForm1::tr("Auto-save the counts while measuring"), f),
                         "CheckBox2", 232, 48, 433, 17);
    f->CheckBox2->setFont(pixelFont(PMincho, 19));
    f->Edit1 = place(new QLineEdit(QStringLiteral("Edit1"), f), "Edit1", 200, 72, 633, 23);
    f->CheckBox1 =
        place(new QCheckBox(TForm1::tr("Show progress"), f), "CheckBox1", 697, 48, 216, 17);
    f->CheckBox1->setFont(pixelFont(PMincho, 19));
    f->Button1 = place(new QPushButton(TForm1::tr("Show graph"), f), "Button1", 808, 8, 105, 25);
    f->Button_upload = place(new QPushButton(TForm1::tr("Upload to maps..."), f), "Button_upload",
                             540, 100, 150, 25);
    setTextColor(f->Button1, Qt::black);
    f->Button_mqtt =
        place(new QPushButton(TForm1::tr("MQTT..."), f), "Button_mqtt", 470, 100, 66, 25);
    // In the gap between EXIT and the graph button: no other control moves.
    f->Button_web = place(new QPushButton(TForm1::tr("Web…"), f), "Button_web", 763, 8, 43, 25);
    f->Button3 =
        place(new QPushButton(TForm1::tr("Browse..."), f), "Button3", 832, 72, 113, 25);
    setTextColor(f->Button3, Qt::black);
    f->CheckBox3 =
        place(new QCheckBox(TForm1::tr("Graph today only"), f), "CheckBox3", 697, 128, 249, 17);
    f->CheckBox3->setFont(pixelFont(PMincho, 19));
}

// The two buttons that move the border between the day table and the chart.
void createSplitterButtons(TForm1 *f)
{
    f->Button_MoveToLeft =
        place(new ArrowButton(QStringLiteral("▲"), f), "Button_MoveToLeft", 240, 128, 33, 25);
    f->Button_MoveToLeft->setFont(pixelFont(Gothic, 19));
    setTextColor(f->Button_MoveToLeft, Qt::black);
    f->Button_MoveToRight =
        place(new ArrowButton(QStringLiteral("▼"), f), "Button_MoveToRight", 272, 128, 33, 25);
    f->Button_MoveToRight->setFont(pixelFont(Gothic, 19));
    setTextColor(f->Button_MoveToRight, Qt::red);
}

} // namespace

void TForm1::createControls()
{
    setFont(pixelFont(PMincho, 15));
    createLabels(this);
    createChart(this);
    createCommandRow(this);
    createGridAndPane(this);
    createOptions(this);
    createSplitterButtons(this);

    // The Western buttons use the default Mincho at 15 px as well.
    for (QPushButton *b :
         {button_SAVE, Button_OPEN, button_EXIT, Button_start, Button_stop, Button1, Button_upload,
          Button_mqtt, Button_web, Button3, static_cast<QPushButton *>(Button_MoveToLeft),
          static_cast<QPushButton *>(Button_MoveToRight)}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    for (QLabel *l : {Label2, Label4, Label1, Label_clock, Label3, Label23})
        l->lower();
    nameControls();
}

// Names for assistive tools where a control shows no text of its own, or
// only a symbol; a control with a caption is named by it.
void TForm1::nameControls()
{
    ComboBox1->setAccessibleName(Label2->text());
    ComboBox1->lineEdit()->setAccessibleName(Label2->text()); // read as the port's own field
    Edit1->setAccessibleName(Label4->text());
    StringGrid1->setAccessibleName(tr("Counts per minute by day"));
    Chart1->setAccessibleName(tr("Graph of the counts"));
    Memo1->setAccessibleName(memo2->toPlainText());
    memo2->setAccessibleName(memo2->toPlainText());
    Button_MoveToLeft->setAccessibleName(tr("Widen the graph"));
    Button_MoveToRight->setAccessibleName(tr("Narrow the graph"));
}

void TForm1::setTabOrderChain()
{
    const QList<QWidget *> order = {button_SAVE,
                                    Button_OPEN,
                                    button_EXIT,
                                    ComboBox1,
                                    Button_start,
                                    StringGrid1,
                                    Memo1,
                                    CheckBox2,
                                    Edit1,
                                    CheckBox1,
                                    Button_stop,
                                    Button1,
                                    Button_upload,
                                    Button_mqtt,
                                    Button_web,
                                    Button3,
                                    memo2,
                                    CheckBox3,
                                    Button_MoveToLeft,
                                    Button_MoveToRight};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QWidget *w : order)
        w->setFocusPolicy(Qt::StrongFocus);
}
