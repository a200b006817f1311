// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "graph/SevenDayGraph.h"

#include "logfile/Settings.h"
#include "logfile/SettingsSection.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>

class ArrowButton;
class Clock;
class DayGrid;
class DaySnapshot;
class DayTable;
class DoseFeatures;
class GmChartView;
class MeasurementSession;
class CounterWindowSection;
class MqttWindowSection;
class PortComboBox;
class ProgressPane;
class Prompts;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TickDriver;
class Trs232c;
class UploadDialog;
class UploadWindowSection;
class Uploader;
class WebWindowSection;

// The main window `Form1`: owns every control, the day table, the two timers
// and the measurement session, whose serial port component is `rs232c1`.
// Everything here runs on the GUI thread; the serial component hands its
// events over to it.
//
// Controls keep the names of the window layout and are public so that tests
// can look at them and press them.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    struct Options {
        Clock *clock = nullptr;     // required; not owned
        Prompts *prompts = nullptr; // null: the real boxes and dialogs
        QStringList arguments;      // command-line arguments, program path excluded
        QString settingsPath;       // the settings file
        // Where the port names come from; null: the machine's serial devices.
        std::function<QStringList()> listPorts;
    };

    // The splitter buttons stop before the day table or the chart gets
    // narrower than this; a restored layout must leave them as wide.
    static constexpr int MinGridWidth = 120;
    static constexpr int MinChartWidth = 200;

    explicit TForm1(const Options &options);
    ~TForm1() override;

    // --- controls -----------------------------------------------------------
    QPushButton *Button_start = nullptr;
    QPushButton *Button_stop = nullptr;
    QPushButton *button_SAVE = nullptr;
    QPushButton *Button_OPEN = nullptr;
    QPushButton *button_EXIT = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button_upload = nullptr;
    QPushButton *Button_mqtt = nullptr;
    QPushButton *Button_web = nullptr;
    QLabel *Label2 = nullptr;
    PortComboBox *ComboBox1 = nullptr;
    QCheckBox *CheckBox2 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QPushButton *Button3 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label_clock = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label23 = nullptr;
    QCheckBox *CheckBox3 = nullptr;
    ArrowButton *Button_MoveToLeft = nullptr;
    ArrowButton *Button_MoveToRight = nullptr;
    DayGrid *StringGrid1 = nullptr;
    GmChartView *Chart1 = nullptr;
    ProgressPane *Memo1 = nullptr;
    QPlainTextEdit *memo2 = nullptr;
    QTimer *Timer_INTERVAL = nullptr;
    QTimer *Timer_FOpen = nullptr;
    Trs232c *rs232c1 = nullptr;

    DayTable *dayTable() const { return m_table; }
    MeasurementSession *session() const { return m_session; }
    // The boxes and dialogs the window and its features show.
    Prompts *prompts() const { return m_prompts; }
    // The readout, the alarm, the statistics, the export and the chart's
    // options (with their settings sections).
    DoseFeatures *doseFeatures() const { return m_doseFeatures; }
    qint64 pulseCounter() const;
    bool measuring() const;
    int lastTallyRow() const;
    QString saveDialogFileName() const { return m_saveFileName; }
    QString openDialogFileName() const { return m_openFileName; }

    // --- handlers and methods -----------------------------------------------
    void FormCreate();
    void Button_startClick();
    void Button_stopClick();
    void rs232c1RXCHAR(const QByteArray &bytes);
    void Timer_INTERVALTimer();
    void ComboBox1DropDown();
    void get_com_port();
    void draw_graph();
    void button_SAVEClick();
    void Button_OPENClick();
    enum class LoadOutcome { Loaded, Missing, Failed };
    LoadOutcome FileOpen(const QString &path);
    void Timer_FOpenTimer();
    // Returns false when the close was abandoned (the window stays open).
    bool FormClose();
    void FormKeyPress(int character);
    void button_EXITClick();
    void Button1Click();
    void Button3Click();
    void CheckBox1Click();
    void Button_MoveToLeftClick();
    void Button_MoveToRightClick();
    // Opens the upload dialog (window-modal, not waiting); OK applies it.
    UploadDialog *Button_uploadClick();

    // The map uploads, fed by every minute tally, with their [Upload] section.
    UploadWindowSection *uploads() const { return m_uploads; }
    Uploader *uploader() const;
    // Opens the broker dialog (modal); OK applies it.
    void Button_mqttClick();
    void Button_webClick();

    // Publishing to an MQTT broker, with its [MQTT] section.
    MqttWindowSection *mqtt() const { return m_mqtt; }
    CounterWindowSection *counter() const { return m_counter; }
    WebWindowSection *web() const { return m_web; }

    // Appends one line to the progress pane.
    void progress(const QString &line);

    // The chart works only when seen: while the window is hidden or
    // minimised a tally marks it stale, and it is rebuilt when shown; when
    // seen a tally touches only the series that changed.  Off: every tally
    // rebuilds all seven series, seen or not (the older way, kept so that
    // the cost of both can be measured side by side).
    void setChartOnlyWhenSeen(bool on);
    bool chartStale() const { return m_chartStale; }

    // A feature's own section of the settings file: read with the settings
    // at start, written after [TORVALE] at close.  The section must outlive
    // the window's close.
    void addSettingsSection(SettingsSection *section) { m_settingsSections.append(section); }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The constructor's steps, in this order.
    void buildWindow();
    void createSession();
    void createUploads();
    void createMqtt();
    void createWeb();
    void createDoseFeatures();
    void createCounter();
    void createTimers();
    void connectControls();
    // buildWindow's parts (TForm1Layout.cpp).
    void createControls();
    void setTabOrderChain();
    void nameControls();
    // The clock label, and the grid's focus once a dialog has closed.
    void showClock(const QDateTime &t);
    // Asks before a missing data folder is made; false (told) when it cannot
    // take the auto-save files.
    bool prepareDataFolder();
    // The window's part of a minute tally, after the count was stored.
    void showTally(int row);
    // Gives the grid the keyboard focus a tally asked for, unless a dialog
    // is open.
    void focusGridWhenFree();
    // Rebuilds the graph; with onceOnly a failing cell already reported is
    // not reported again.  False when a cell failed.
    bool rebuildGraph(bool onceOnly);
    // A hidden chart's tally: the cells are checked (a failing one is
    // reported as a rebuild would), the chart is marked stale.
    bool checkGraphCells();
    bool reportGraphError(const std::optional<GraphError> &error, bool onceOnly);
    bool chartSeen() const;
    void redrawStaleChart();
    Settings currentSettings() const;
    QMargins windowFrameMargins();
    // The window's place and size with its frame, also before it is shown.
    QRect outerGeometry() const;
    void applyWindowGeometry(const Settings &s);
    // Everything but the window's own place and size.
    void applySettings(const Settings &s);
    // Opens the log named on the command line; the minutes `restored` from
    // the recovery copy just before are merged into it (DayMerge), never dropped.
    void openCommandLineFile(const DaySnapshot &restored);
    // Asks whether to load a recovery copy that holds unsaved minutes; No
    // gives it up.  Returns the table as restored (empty when nothing was).
    DaySnapshot offerRecoveryCopy();
    void moveSplitter(int dx);
    void applyAnchors(const QSize &newSize);

    Clock *m_clock;
    Prompts *m_prompts;
    std::unique_ptr<Prompts> m_ownPrompts;
    QStringList m_arguments;
    QString m_settingsPath;
    QList<SettingsSection *> m_settingsSections;
    std::function<QStringList()> m_listPorts;
    UploadWindowSection *m_uploads = nullptr;

    DayTable *m_table = nullptr;
    MeasurementSession *m_session = nullptr;
    // The settings file could not be read at start: the close leaves it alone.
    bool m_keepSettingsFile = false;
    TickDriver *m_ticks = nullptr;
    DoseFeatures *m_doseFeatures = nullptr;
    MqttWindowSection *m_mqtt = nullptr;
    CounterWindowSection *m_counter = nullptr;
    WebWindowSection *m_web = nullptr;
    // The graph error last reported, so that a cell that keeps failing is not
    // reported again at every tally; empty once a rebuild succeeds.
    std::optional<GraphError> m_reportedGraphError;
    QString m_saveFileName;
    QString m_openFileName;
    QString m_saveInitialDir;
    QString m_openInitialDir;
    QSize m_anchoredSize; // client size the anchored controls were last fitted to
    bool m_chartOnlyWhenSeen = true;
    bool m_chartStale = false; // tallies came while the chart was not seen
    // A tally selected a cell while a dialog was open: focus the grid later.
    bool m_gridFocusPending = false;
    // The key press a shortcut has run for while it is still being delivered.
    const QEvent *m_keyActedOn = nullptr;
};
