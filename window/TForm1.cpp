// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/TForm1.h"

#include "window/ArrowButton.h"
#include "window/CounterWindowSection.h"
#include "window/DayGrid.h"
#include "window/DoseFeatures.h"
#include "window/MqttWindowSection.h"
#include "window/WebWindowSection.h"
#include "window/PortComboBox.h"
#include "window/ProgressPane.h"
#include "window/QtPrompts.h"
#include "window/UploadWindowSection.h"
#include "core/StopDeadline.h"
#include "core/Clock.h"
#include "core/DayTable.h"
#include "graph/GmChartView.h"
#include "logfile/DataFolder.h"
#include "measure/MeasurementSession.h"
#include "measure/PermissionAdvice.h"
#include "measure/TickDriver.h"
#include "serial/SerialPortList.h"
#include "serial/Trs232c.h"
#include "stats/Alarm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <initializer_list>

namespace
{

// The characters FormKeyPress acts on: Ctrl+S, Ctrl+O and Esc.
constexpr int CtrlS = 19;
constexpr int CtrlO = 15;
constexpr int Escape = 27;
// The progress pane and the pane behind it are hidden by moving them this far
// below the window's bottom edge, and shown by moving them back.
constexpr int PaneHidingDrop = 2000;

void dropPanes(const std::initializer_list<QWidget *> panes, int dy)
{
    for (QWidget *pane : panes)
        pane->move(pane->x(), pane->y() + dy);
}

} // namespace

TForm1::TForm1(const Options &options)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      m_clock(options.clock), m_prompts(options.prompts), m_arguments(options.arguments),
      m_settingsPath(options.settingsPath), m_listPorts(options.listPorts)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("TORVALE"));
    if (!m_prompts) {
        m_ownPrompts = std::make_unique<QtPrompts>(this);
        m_prompts = m_ownPrompts.get();
    }
    buildWindow();
    createSession();
    createUploads();
    createMqtt();
    createWeb();
    createDoseFeatures();
    createCounter();
    createTimers();
    connectControls();
    // Key preview: every typed character passes FormKeyPress first.
    qApp->installEventFilter(this);

    FormCreate();
    m_ticks->start();
}

void TForm1::buildWindow()
{
    m_table = new DayTable(this);
    resize(954, 783);
    move(292, 114);
    m_anchoredSize = size();
    createControls();
    setTabOrderChain();
    StringGrid1->setDayTable(m_table);
    // Small enough for any screen, large enough that no control vanishes.
    setMinimumSize(640, 480);
}

void TForm1::createSession()
{
    m_session = new MeasurementSession(m_table, this);
    rs232c1 = m_session->port();
    connect(m_session, &MeasurementSession::received, this, &TForm1::rs232c1RXCHAR);
    connect(m_session, &MeasurementSession::progress, this, &TForm1::progress);
    connect(m_session, &MeasurementSession::error, this,
            [this](const QString &text) { m_prompts->reportError(text); });
    // The box goes when it is answered; the pane keeps a line of a failed
    // write, for whoever comes back to the window weeks later.
    connect(m_session, &MeasurementSession::writeFailed, this, &TForm1::progress);
    // The box saying that counting has stopped is wrong once it goes on.
    connect(m_session, &MeasurementSession::portReturned, this, [this](const QString &name) {
        m_prompts->withdrawError(MeasurementSession::portLostText(name));
    });
    connect(m_session, &MeasurementSession::tallied, this,
            [this](const QDateTime &, int row, qint64) { showTally(row); });
    connect(m_session, &MeasurementSession::autoSaved, this, &QWidget::setWindowTitle);
    m_session->setAutoSave(CheckBox2->isChecked());
    m_session->setDataFolder(Edit1->text());
    connect(CheckBox2, &QCheckBox::toggled, m_session, &MeasurementSession::setAutoSave);
    connect(Edit1, &QLineEdit::textChanged, m_session, &MeasurementSession::setDataFolder);
}

void TForm1::createUploads()
{
    m_uploads = new UploadWindowSection(m_session, m_settingsPath, m_prompts, this);
    connect(m_uploads, &UploadWindowSection::message, this, &TForm1::progress);
    addSettingsSection(m_uploads);
}

void TForm1::createMqtt()
{
    m_mqtt = new MqttWindowSection(m_session, m_settingsPath, m_clock, this);
    connect(m_mqtt, &MqttWindowSection::message, this, &TForm1::progress);
    connect(m_mqtt, &MqttWindowSection::refused, this,
            [this](const QString &text) { m_prompts->reportError(text); });
    m_mqtt->showStateOn(Button_mqtt);
    addSettingsSection(m_mqtt);
}

// After the uploads and MQTT: the page shows their states.
void TForm1::createWeb()
{
    m_web = new WebWindowSection(m_session, m_table, m_clock, m_mqtt, m_uploads->uploader(), this);
    connect(m_web, &WebWindowSection::message, this, &TForm1::progress);
    connect(m_uploads, &UploadWindowSection::servicesChanged, m_web,
            &WebWindowSection::setUploadServices);
    addSettingsSection(m_web);
}

// After the uploads, MQTT and the web page: the dose features' section follows
// theirs in the settings file, and their factor and alarm go to them.
void TForm1::createDoseFeatures()
{
    m_doseFeatures = new DoseFeatures(this);
    // GMCmap gets a dose rate only while the user has a conversion factor.
    m_uploads->setFactor(m_doseFeatures->dose()->factor());
    connect(m_doseFeatures->dose(), &DoseSettings::factorChanged, m_uploads,
            &UploadWindowSection::setFactor);
    m_mqtt->setFactor(m_doseFeatures->dose()->factor());
    connect(m_doseFeatures->dose(), &DoseSettings::factorChanged, m_mqtt,
            [this] { m_mqtt->setFactor(m_doseFeatures->dose()->factor()); });
    m_web->setFactor(m_doseFeatures->dose()->factor());
    connect(m_doseFeatures->dose(), &DoseSettings::factorChanged, m_web,
            [this] { m_web->setFactor(m_doseFeatures->dose()->factor()); });
    connect(m_doseFeatures->alarm(), &Alarm::crossed, m_mqtt,
            [this](double mean, double threshold, bool above) {
                m_mqtt->publishAlarm(mean, threshold, m_doseFeatures->alarm()->minutes(), above);
            });
}

// The kind of counter is chosen from the port field's own context menu; its
// section follows the others in the settings file.
void TForm1::createCounter()
{
    m_counter = new CounterWindowSection(m_session, this);
    connect(m_counter, &CounterWindowSection::message, this, &TForm1::progress);
    addSettingsSection(m_counter);
    m_counter->offerIn(ComboBox1->lineEdit());
}

void TForm1::createTimers()
{
    m_ticks = new TickDriver(m_session, m_clock, this);
    connect(m_ticks, &TickDriver::clockRead, this, &TForm1::showClock);
    Timer_INTERVAL = m_ticks->timer();
    Timer_INTERVAL->setObjectName(QStringLiteral("Timer_INTERVAL"));
    Timer_FOpen = new QTimer(this);
    Timer_FOpen->setObjectName(QStringLiteral("Timer_FOpen"));
    Timer_FOpen->setSingleShot(true);
    Timer_FOpen->setInterval(50);
    connect(Timer_FOpen, &QTimer::timeout, this, &TForm1::Timer_FOpenTimer);
}

void TForm1::connectControls()
{
    connect(Button_start, &QPushButton::clicked, this, &TForm1::Button_startClick);
    connect(Button_stop, &QPushButton::clicked, this, &TForm1::Button_stopClick);
    connect(button_SAVE, &QPushButton::clicked, this, &TForm1::button_SAVEClick);
    connect(Button_OPEN, &QPushButton::clicked, this, &TForm1::Button_OPENClick);
    connect(button_EXIT, &QPushButton::clicked, this, &TForm1::button_EXITClick);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button_upload, &QPushButton::clicked, this, &TForm1::Button_uploadClick);
    connect(Button_mqtt, &QPushButton::clicked, this, &TForm1::Button_mqttClick);
    connect(Button_web, &QPushButton::clicked, this, &TForm1::Button_webClick);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(CheckBox1, &QCheckBox::clicked, this, &TForm1::CheckBox1Click);
    connect(Button_MoveToLeft, &QPushButton::clicked, this, &TForm1::Button_MoveToLeftClick);
    connect(Button_MoveToRight, &QPushButton::clicked, this, &TForm1::Button_MoveToRightClick);
    connect(ComboBox1, &PortComboBox::dropDown, this, &TForm1::ComboBox1DropDown);
}

TForm1::~TForm1()
{
    qApp->removeEventFilter(this);
}

void TForm1::FormCreate()
{
    m_table->fillTimeColumn();
    StringGrid1->applyColumnWidths();
    get_com_port();
    // The window opens with the progress pane hidden.
    dropPanes({Memo1, memo2}, PaneHidingDrop);
    Timer_FOpen->start();
}

void TForm1::progress(const QString &line)
{
    Memo1->appendPlainText(line);
    // The newest line stays in view, whether the pane is shown or not.
    QScrollBar *bar = Memo1->verticalScrollBar();
    bar->setValue(bar->maximum());
}

// --- measurement ----------------------------------------------------------

void TForm1::Button_startClick()
{
    if (CheckBox2->isChecked() && !prepareDataFolder())
        return;
    const QString name = ComboBox1->selectedEntry();
    if (!m_session->start(name)) {
        // The usual cause on a fresh system, and not one the user can guess.
        if (m_session->port()->lastErrorWasPermission())
            progress(PermissionAdvice::text(name));
        m_prompts->beep();
        m_prompts->message(QApplication::applicationName(), tr("Com Port Open Error"),
                           Prompts::Icon::None);
        return;
    }
    button_SAVE->setEnabled(false);
    Button_OPEN->setEnabled(false);
    CheckBox2->setEnabled(false);
    Button_start->setEnabled(false);
    Button_stop->setEnabled(true);
    ComboBox1->setEnabled(false);
    m_mqtt->setCounterConnected(true);
    m_web->setPortOpen(name, true);
}

bool TForm1::prepareDataFolder()
{
    const QString folder = Edit1->text();
    if (!DataFolder::exists(folder)) {
        const bool create = m_prompts->confirm(
            QString(), tr("%1\r does not exist. Create this folder?").arg(folder),
            Prompts::Icon::Warning, true);
        if (!create)
            return false;
    }
    switch (DataFolder::prepare(folder)) {
    case DataFolder::Status::Ready:
        return true;
    case DataFolder::Status::CannotMake:
        m_prompts->reportError(tr("Cannot create the folder"));
        return false;
    case DataFolder::Status::NotWritable:
        m_prompts->reportError(tr("Cannot write to %1").arg(folder));
        return false;
    }
    return false;
}

void TForm1::Button_stopClick()
{
    button_SAVE->setEnabled(true);
    Button_OPEN->setEnabled(true);
    CheckBox2->setEnabled(true);
    Button_start->setEnabled(true);
    Button_stop->setEnabled(false);
    ComboBox1->setEnabled(true);
    m_session->stop();
    m_mqtt->setCounterConnected(false);
    m_web->setPortOpen(m_session->port()->portname(), false);
}

UploadDialog *TForm1::Button_uploadClick()
{
    return m_uploads->showDialog(this);
}

Uploader *TForm1::uploader() const
{
    return m_uploads->uploader();
}

qint64 TForm1::pulseCounter() const
{
    return m_session->pulseCounter();
}

bool TForm1::measuring() const
{
    return m_session->measuring();
}

int TForm1::lastTallyRow() const
{
    return m_session->lastTallyRow();
}

void TForm1::rs232c1RXCHAR(const QByteArray &bytes)
{
    QString lines;
    lines.reserve(bytes.size() * 10);
    for (char ch : std::as_const(bytes)) {
        const auto b = static_cast<unsigned char>(ch);
        if (!lines.isEmpty())
            lines += u'\n';
        lines += tr("  received ");
        if (b >= 0x20 && b < 0x7f)
            lines += QLatin1Char(char(b));
        else
            lines += QStringLiteral("<%1>").arg(b, 2, 16, QChar(u'0')).toUpper();
    }
    progress(lines);
    Label1->setText(tr("Count %1").arg(pulseCounter()));
    Label1->adjustSize();
}

void TForm1::Timer_INTERVALTimer()
{
    // The tally runs whatever dialog, question or message is open: a minute
    // is never put off into the next one.
    m_ticks->tick();
}

void TForm1::showClock(const QDateTime &t)
{
    // The chosen language's short date and time, with seconds; under
    // Japanese the yyyy/MM/dd H:mm:ss of the log's own times.
    const QLocale locale;
    QString time = locale.timeFormat(QLocale::ShortFormat);
    if (const qsizetype minutes = time.indexOf(QLatin1String("mm")); minutes >= 0)
        time.insert(minutes + 2, QLatin1String(":ss"));
    Label_clock->setText(tr("Now %1 %2").arg(locale.toString(t.date(), QLocale::ShortFormat),
                                             locale.toString(t.time(), time)));
    Label_clock->adjustSize();
    focusGridWhenFree();
}

void TForm1::showTally(int row)
{
    Label1->setText(tr("Count %1").arg(0));
    // A cell the graph cannot read must not cost the minute its place in
    // the table or its log file: report it (once) and go on.  Nobody sees a
    // hidden chart: it is rebuilt once when shown.
    if (m_chartOnlyWhenSeen && !chartSeen())
        checkGraphCells();
    else
        rebuildGraph(true);
    StringGrid1->selectCell(m_session->lastTallyColumn(), row);
    m_gridFocusPending = true;
    focusGridWhenFree();
}

bool TForm1::chartSeen() const
{
    return isVisible() && !isMinimized() && Chart1->isVisible();
}

void TForm1::setChartOnlyWhenSeen(bool on)
{
    m_chartOnlyWhenSeen = on;
    Chart1->setTouchAll(!on);
    redrawStaleChart();
}

void TForm1::redrawStaleChart()
{
    if (m_chartStale && (!m_chartOnlyWhenSeen || chartSeen()))
        rebuildGraph(true);
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    redrawStaleChart();
}

void TForm1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        redrawStaleChart();
}

void TForm1::focusGridWhenFree()
{
    // The keyboard stays with an open dialog; the grid gets it once the
    // dialog has closed (at the next tick at the latest).
    if (!m_gridFocusPending || QApplication::activeModalWidget())
        return;
    m_gridFocusPending = false;
    StringGrid1->setFocus(Qt::OtherFocusReason);
}

void TForm1::ComboBox1DropDown()
{
    get_com_port();
}

void TForm1::get_com_port()
{
    // The machine's devices are looked at once per drop-down, descriptions included.
    if (!m_listPorts) {
        ComboBox1->replaceEntries(SerialPortList::available());
        return;
    }
    QList<SerialPortList::Port> ports;
    for (const QString &name : m_listPorts())
        ports.append({name, {}, SerialPortList::description(name)});
    ComboBox1->replaceEntries(ports);
}

// --- window commands --------------------------------------------------------

void TForm1::FormKeyPress(int character)
{
    if (character == CtrlS) {
        if (button_SAVE->isEnabled())
            button_SAVEClick();
    } else if (character == CtrlO) {
        if (Button_OPEN->isEnabled())
            Button_OPENClick();
    } else if (character == Escape) {
        if (Button_stop->isEnabled())
            Button_stopClick();
    }
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress) {
        // The key press acted on has ended when the next key event (the
        // release, or the shortcut check of the next press) comes.
        if (event->type() == QEvent::KeyRelease || event->type() == QEvent::ShortcutOverride)
            m_keyActedOn = nullptr;
    } else if (event != m_keyActedOn) {
        auto *w = qobject_cast<QWidget *>(watched);
        // Only keys meant for this window, once each: the event passes the
        // filter again for each parent it is offered to when the control
        // ignores it, and after a dialog run by the shortcut has closed, no
        // control may have the focus any more, so the window itself would
        // look like the key's target.
        const QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : this;
        if (w && w == target && w->window() == this) {
            const auto *key = static_cast<QKeyEvent *>(event);
            int ch = key->text().isEmpty() ? 0 : key->text().at(0).unicode();
            if (key->key() == Qt::Key_Escape)
                ch = Escape;
            else if (key->modifiers() & Qt::ControlModifier) {
                if (key->key() == Qt::Key_S)
                    ch = CtrlS;
                else if (key->key() == Qt::Key_O)
                    ch = CtrlO;
            }
            if (ch == CtrlS || ch == CtrlO || ch == Escape) {
                FormKeyPress(ch);
                m_keyActedOn = event;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::button_EXITClick()
{
    close();
}

void TForm1::Button1Click()
{
    draw_graph();
}

void TForm1::CheckBox1Click()
{
    dropPanes({Memo1, memo2}, CheckBox1->isChecked() ? -PaneHidingDrop : PaneHidingDrop);
}

void TForm1::Button_MoveToLeftClick()
{
    moveSplitter(-5);
}

void TForm1::Button_MoveToRightClick()
{
    moveSplitter(5);
}

void TForm1::moveSplitter(int dx)
{
    // Neither the day table nor the chart may shrink out of sight.
    if (StringGrid1->width() + dx < MinGridWidth || Chart1->width() - dx < MinChartWidth)
        return;
    Button_MoveToLeft->move(Button_MoveToLeft->x() + dx, Button_MoveToLeft->y());
    Button_MoveToRight->move(Button_MoveToRight->x() + dx, Button_MoveToRight->y());
    StringGrid1->resize(StringGrid1->width() + dx, StringGrid1->height());
    Chart1->setGeometry(Chart1->x() + dx, Chart1->y(), Chart1->width() - dx, Chart1->height());
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    applyAnchors(event->size());
    QWidget::resizeEvent(event);
}

// Each anchored control keeps its distance to the sides it is anchored to.
// The distances are kept against the size last fitted, not the event's old
// size, so that a resize applied by hand and its later event count once.
void TForm1::applyAnchors(const QSize &newSize)
{
    if (!m_anchoredSize.isValid() || newSize == m_anchoredSize) {
        m_anchoredSize = newSize;
        return;
    }
    const int dw = newSize.width() - m_anchoredSize.width();
    const int dh = newSize.height() - m_anchoredSize.height();
    m_anchoredSize = newSize;
    // Edit1: left, top, right.
    Edit1->resize(Edit1->width() + dw, Edit1->height());
    // Button3, CheckBox3: top, right.
    Button3->move(Button3->x() + dw, Button3->y());
    CheckBox3->move(CheckBox3->x() + dw, CheckBox3->y());
    // StringGrid1: left, top, bottom.
    StringGrid1->resize(StringGrid1->width(), StringGrid1->height() + dh);
    // Chart1 and Memo1: all four sides.
    Chart1->resize(Chart1->width() + dw, Chart1->height() + dh);
    Memo1->resize(Memo1->width() + dw, Memo1->height() + dh);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // The writes here and the MQTT drain after the window share one budget.
    StopDeadline::start();
    if (FormClose()) {
        event->accept();
    } else {
        StopDeadline::cancel();
        event->ignore();
    }
}

void TForm1::Button3Click()
{
    const QString start = DataFolder::exists(Edit1->text()) ? Edit1->text() : QDir::currentPath();
    const std::optional<QString> chosen =
        m_prompts->chooseFolder(tr("Choose a folder"), start, [this] {
            return m_prompts->askYesNo(QApplication::applicationName(),
                                       tr("The folder does not exist. Create it?"));
        });
    if (!chosen)
        return;
    // Creation was agreed to.  An empty path or a bare name has no parent
    // to be made in.
    if (!DataFolder::exists(*chosen) &&
        (QDir::isRelativePath(*chosen) ||
         DataFolder::prepare(*chosen) == DataFolder::Status::CannotMake)) {
        m_prompts->reportError(tr("Cannot create the folder"));
        return;
    }
    Edit1->setText(*chosen);
}

void TForm1::Button_mqttClick()
{
    m_mqtt->showDialog(this);
}

void TForm1::Button_webClick()
{
    m_web->showDialog(this);
}
