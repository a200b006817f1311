// SPDX-License-Identifier: GPL-3.0-or-later
// Log files, the graph and the settings file: the window's side of them.
#include "window/TForm1.h"

#include "window/ArrowButton.h"
#include "window/DayGrid.h"
#include "window/PortComboBox.h"
#include "window/Prompts.h"
#include "window/SettingsRules.h"
#include "core/Clock.h"
#include "core/DayTable.h"
#include "graph/GmChartView.h"
#include "logfile/DataFolder.h"
#include "logfile/IniFile.h"
#include "logfile/LogFile.h"
#include "measure/MeasurementSession.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QWindow>

void TForm1::draw_graph()
{
    rebuildGraph(false);
}

bool TForm1::rebuildGraph(bool onceOnly)
{
    m_chartStale = false;
    return reportGraphError(Chart1->draw(*m_table, CheckBox3->isChecked()), onceOnly);
}

bool TForm1::checkGraphCells()
{
    // Reading the cells costs little; laying out the chart is what costs.
    m_chartStale = true;
    return reportGraphError(SevenDayGraph::build(*m_table, CheckBox3->isChecked()).error, true);
}

bool TForm1::reportGraphError(const std::optional<GraphError> &error, bool onceOnly)
{
    if (!error) {
        m_reportedGraphError.reset();
        return true;
    }
    if (!onceOnly || m_reportedGraphError != error)
        m_prompts->reportError(error->message);
    m_reportedGraphError = error;
    return false;
}

// --- save and open commands ---------------------------------------------------

void TForm1::button_SAVEClick()
{
    if (DataFolder::exists(Edit1->text()))
        m_saveInitialDir = Edit1->text();
    const QString chosen = m_prompts->saveFileName(m_saveInitialDir, m_saveFileName);
    if (chosen.isEmpty())
        return;
    // An existing data.csv is the file meant by data.CSV, and keeps its name.
    const QString path = LogFile::existingCsvFile(LogFile::forceCsvExtension(chosen), chosen);
    m_saveFileName = path;
    if (QFileInfo::exists(path)) {
        const QString question = tr("%1\r already exists.  Do you want to replace it?").arg(path);
        if (!m_prompts->confirm(tr("Save Log File"), question, Prompts::Icon::Warning, true))
            return;
    }
    setWindowTitle(path);
    const QString error = m_session->save(path);
    if (!error.isEmpty()) {
        m_prompts->reportError(error);
        return;
    }
    m_openFileName = path;
}

void TForm1::Button_OPENClick()
{
    if (DataFolder::exists(Edit1->text()))
        m_openInitialDir = Edit1->text();
    const QString chosen = m_prompts->openFileName(m_openInitialDir, m_openFileName);
    if (chosen.isEmpty())
        return;
    const QString path = LogFile::existingCsvFile(LogFile::forceCsvExtension(chosen), chosen);
    m_openFileName = path;
    if (FileOpen(path) != LoadOutcome::Failed)
        draw_graph();
}

TForm1::LoadOutcome TForm1::FileOpen(const QString &path)
{
    if (!LogFile::exists(path)) {
        m_prompts->message(tr("Open"), tr("%1\r File not found.").arg(path),
                           Prompts::Icon::Warning);
        return LoadOutcome::Missing;
    }
    const LogFile::LoadResult result = LogFile::load(path, *m_table, m_clock->now().date());
    if (!result.ok) {
        m_prompts->reportError(result.error);
        return LoadOutcome::Failed;
    }
    setWindowTitle(path);
    m_saveFileName = path;
    m_openFileName = path;
    return LoadOutcome::Loaded;
}

// --- settings -----------------------------------------------------------------

Settings TForm1::currentSettings() const
{
    Settings s;
    const QRect frame = outerGeometry();
    s.formLeft = frame.x();
    s.formTop = frame.y();
    s.formWidth = frame.width();
    s.formHeight = frame.height();
    s.portname = ComboBox1->selectedEntry();
    s.buttonMoveToLeftLeft = Button_MoveToLeft->x();
    s.buttonMoveToRightLeft = Button_MoveToRight->x();
    s.stringGrid1Width = StringGrid1->width();
    s.chart1Width = Chart1->width();
    s.chart1Left = Chart1->x();
    s.dataDirectory = Edit1->text();
    s.autSave = CheckBox2->isChecked();
    return s;
}

QMargins TForm1::windowFrameMargins()
{
    // A window not shown yet reports no frame through frameGeometry(); its
    // native window knows the frame it will get.
    if (!windowHandle())
        create();
    return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

QRect TForm1::outerGeometry() const
{
    if (isVisible() || !windowHandle())
        return frameGeometry();
    return geometry().marginsAdded(windowHandle()->frameMargins());
}

void TForm1::applyWindowGeometry(const Settings &s)
{
    // The window itself stays on a screen and within its size, whatever an
    // old or hand-edited file says.  The file holds the outer size, frame
    // included.
    const QRect avail = QGuiApplication::primaryScreen()
                            ? QGuiApplication::primaryScreen()->availableVirtualGeometry()
                            : QRect(0, 0, 1280, 1024);
    const QRect place =
        SettingsRules::windowGeometry(s, windowFrameMargins(), minimumSize(), avail);
    resize(place.size());
    applyAnchors(size());
    move(place.topLeft());
}

void TForm1::applySettings(const Settings &s)
{
    if (SettingsRules::layoutFits(s, {.clientWidth = width(),
                                      .gridLeft = StringGrid1->x(),
                                      .minGridWidth = MinGridWidth,
                                      .minChartWidth = MinChartWidth})) {
        Button_MoveToLeft->move(s.buttonMoveToLeftLeft, Button_MoveToLeft->y());
        Button_MoveToRight->move(s.buttonMoveToRightLeft, Button_MoveToRight->y());
        StringGrid1->resize(s.stringGrid1Width, StringGrid1->height());
        Chart1->setGeometry(s.chart1Left, Chart1->y(), s.chart1Width, Chart1->height());
    }
    Edit1->setText(s.dataDirectory);

    if (s.portname.isEmpty()) {
        if (ComboBox1->count() > 0)
            ComboBox1->setCurrentIndex(0);
    } else {
        m_session->setPortName(s.portname);
        // Entries 0 to 10; a whole path, as older settings files hold, picks
        // the entry of the same device.
        const int i = ComboBox1->entryFor(s.portname, 11);
        if (i >= 0)
            ComboBox1->setCurrentIndex(i);
    }
    CheckBox2->setChecked(s.autSave);
}

void TForm1::Timer_FOpenTimer()
{
    Timer_FOpen->stop();
    QString unreadable;
    const IniFile ini = IniFile::load(m_settingsPath, &unreadable);
    // Defaults written at close over a file that could not be read would lose it.
    m_keepSettingsFile = !unreadable.isEmpty();
    if (m_keepSettingsFile)
        m_prompts->reportError(tr("Cannot read %1: %2").arg(m_settingsPath, unreadable));
    applyWindowGeometry(Settings::read(ini, currentSettings()));
    // Missing layout keys keep the controls where the new window size has
    // put them, so they are read only now.
    applySettings(Settings::read(ini, currentSettings()));
    for (SettingsSection *section : std::as_const(m_settingsSections))
        section->readSettings(ini);
    applyUploadSettings();
    offerRecoveryCopy();
    openCommandLineFile();
}

void TForm1::openCommandLineFile()
{
    if (m_arguments.isEmpty())
        return;
    // The shell has split the command line already: the first argument is
    // the path, blanks and all.
    QString path = m_arguments.first();
    if (path.size() >= 2 && path.startsWith(u'"') && path.endsWith(u'"'))
        path = path.mid(1, path.size() - 2);
    if (!LogFile::exists(path)) {
        m_prompts->message(tr("Open"), tr("%1\r does not exist").arg(path), Prompts::Icon::Warning);
        return;
    }
    FileOpen(path);
}

bool TForm1::FormClose()
{
    // Closing while measuring ends the measurement: the port closes, and a
    // window that stays open (the close was cancelled) must not go on
    // tallying minutes from a closed port.  Not measuring, the session holds
    // no port open.
    if (measuring())
        Button_stopClick();
    // Every minute tallied reaches its file before the program ends.
    if (!m_session->finishWrites())
        m_prompts->reportError(tr("The auto-save writes do not finish. The files of the "
                                  "last few minutes may be missing"));
    if (m_keepSettingsFile)
        return true;

    const Settings s = currentSettings();
    if (!SettingsRules::canWrite(m_settingsPath)) {
        return m_prompts->confirm(
            tr("Error"), tr("Cannot write the settings file.\nQuit without saving the settings?"),
            Prompts::Icon::Warning, false);
    }
    IniFile ini = s.toIni();
    for (const SettingsSection *section : std::as_const(m_settingsSections))
        section->writeSettings(ini);
    if (!ini.saveTo(m_settingsPath).isEmpty()) {
        m_prompts->reportError(tr("Cannot write to %1").arg(m_settingsPath));
        return false;
    }
    return true;
}
