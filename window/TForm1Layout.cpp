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

} // namespace

void TForm1::createControls()
{
    setFont(pixelFont(PMincho, 15));

    // Labels lie on the window's background, under every other control.
    Label2 = place(new QLabel(tr("COM port"), this), "Label2", 16, 48, 110, 19);
    Label2->setFont(pixelFont(PMincho, 19));
    Label4 = place(new QLabel(tr("Data folder"), this), "Label4", 13, 75, 175, 19);
    Label4->setFont(pixelFont(PGothic, 19));
    Label4->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Label1 = place(new QLabel(tr("Count %1").arg(0), this), "Label1", 13, 96, 103, 19);
    Label1->setFont(pixelFont(PGothic, 19, true));
    {
        QPalette p = Label1->palette();
        p.setColor(QPalette::Window, palette().color(QPalette::Active, QPalette::Highlight));
        p.setColor(QPalette::WindowText, Qt::red);
        Label1->setPalette(p);
        Label1->setAutoFillBackground(true);
    }
    Label_clock = place(new QLabel(tr("Current time"), this), "Label_clock", 205, 104, 94, 19);
    Label_clock->setFont(pixelFont(PMincho, 19));
    Label3 = place(new QLabel(tr("Pulses per"), this), "Label3", 69, 120, 57, 16);
    Label3->setFont(pixelFont(PMincho, 16));
    Label23 = place(new QLabel(tr("minute [cpm]"), this), "Label23", 45, 136, 97, 16);
    Label23->setFont(pixelFont(PMincho, 16));
    // Labels fit their text, as auto-sized labels do; Label4 keeps its box
    // because its text is right-aligned in it.
    for (QLabel *l : {Label2, Label1, Label_clock, Label3, Label23})
        l->adjustSize();

    // The rest, in creation order: a later one lies on top of an earlier one.
    Chart1 = place(new GmChartView(this), "Chart1", 280, 128, 674, 659);
    Chart1->setFocusPolicy(Qt::NoFocus); // a picture, no tab stop
    memo2 = place(new QPlainTextEdit(tr("Progress"), this), "memo2", 536, 124, 153, 25);
    memo2->setFont(pixelFont(PMincho, 19));
    memo2->setFrameShape(QFrame::NoFrame);
    memo2->setReadOnly(true);
    memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo2->setBackgroundRole(QPalette::Window);
    memo2->viewport()->setBackgroundRole(QPalette::Window);
    memo2->document()->setDocumentMargin(0);

    button_SAVE =
        place(new QPushButton(tr("Save File (Ctrl+S)"), this), "button_SAVE", 336, 8, 137, 25);
    button_EXIT = place(new QPushButton(tr("EXIT (Alt+F4)"), this), "button_EXIT", 624, 8, 137, 25);
    ComboBox1 = place(new PortComboBox(this), "ComboBox1", 128, 41, 89, 27);
    ComboBox1->setEditable(true);
    ComboBox1->useElidingField();
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setMaxVisibleItems(10);
    ComboBox1->setFont(pixelFont(PMincho, 19));
    for (int i = 1; i <= 10; ++i)
        ComboBox1->addItem(QStringLiteral("com%1").arg(i));
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(QStringLiteral("com1"));
    Button_OPEN =
        place(new QPushButton(tr("Open File (Ctrl+O)"), this), "Button_OPEN", 480, 8, 137, 25);
    Button_stop = place(new QPushButton(tr("Stop"), this), "Button_stop", 168, 8, 137, 25);
    Button_stop->setEnabled(false);
    Button_start =
        place(new QPushButton(tr("Start counting"), this), "Button_start", 16, 8, 137, 25);
    setTextColor(Button_start, Qt::black);

    StringGrid1 = place(new DayGrid(this), "StringGrid1", 5, 152, 268, 624);
    StringGrid1->setFont(pixelFont(Gothic, 17));
    StringGrid1->horizontalHeader()->setFont(pixelFont(Gothic, 17));
    StringGrid1->verticalHeader()->setFont(pixelFont(Gothic, 17));

    Memo1 = place(new ProgressPane(this), "Memo1", 280, 144, 673, 640);
    Memo1->setFont(pixelFont(Gothic, 13));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // One line per pulse for weeks on end: keep the newest lines only, so the
    // pane cannot eat the machine's memory.  The counts are in the table.
    Memo1->setMaximumBlockCount(100000);

    CheckBox2 =
        place(new QCheckBox(tr("Auto-save the counts while measuring"), this),
              "CheckBox2", 232, 48, 433, 17);
    CheckBox2->setFont(pixelFont(PMincho, 19));
    Edit1 = place(new QLineEdit(QStringLiteral("Edit1"), this), "Edit1", 200, 72, 633, 23);
    CheckBox1 = place(new QCheckBox(tr("Show progress"), this), "CheckBox1", 697, 48, 216, 17);
    CheckBox1->setFont(pixelFont(PMincho, 19));
    Button1 = place(new QPushButton(tr("Show graph"), this), "Button1", 808, 8, 105, 25);
    Button_upload =
        place(new QPushButton(tr("Upload to maps..."), this), "Button_upload", 540, 100, 150, 25);
    setTextColor(Button1, Qt::black);
    Button_mqtt = place(new QPushButton(tr("MQTT..."), this), "Button_mqtt", 470, 100, 66, 25);
    Button3 = place(new QPushButton(tr("Browse..."), this), "Button3", 832, 72, 113, 25);
    setTextColor(Button3, Qt::black);
    CheckBox3 = place(new QCheckBox(tr("Graph today only"), this), "CheckBox3", 697, 128, 249, 17);
    CheckBox3->setFont(pixelFont(PMincho, 19));
    Button_MoveToLeft =
        place(new ArrowButton(QStringLiteral("▲"), this), "Button_MoveToLeft", 240, 128, 33, 25);
    Button_MoveToLeft->setFont(pixelFont(Gothic, 19));
    setTextColor(Button_MoveToLeft, Qt::black);
    Button_MoveToRight =
        place(new ArrowButton(QStringLiteral("▼"), this), "Button_MoveToRight", 272, 128, 33, 25);
    Button_MoveToRight->setFont(pixelFont(Gothic, 19));
    setTextColor(Button_MoveToRight, Qt::red);

    // The Western buttons use the default Mincho at 15 px as well.
    for (QPushButton *b : {button_SAVE, Button_OPEN, button_EXIT, Button_start, Button_stop,
                           Button1, Button_upload, Button_mqtt, Button3,
                           static_cast<QPushButton *>(Button_MoveToLeft),
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
    const QList<QWidget *> order = {
        button_SAVE, Button_OPEN, button_EXIT, ComboBox1,         Button_start,      StringGrid1,
        Memo1,       CheckBox2,   Edit1,       CheckBox1,         Button_stop,       Button1,
        Button_upload, Button_mqtt, Button3, memo2, CheckBox3, Button_MoveToLeft, Button_MoveToRight};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QWidget *w : order)
        w->setFocusPolicy(Qt::StrongFocus);
}
