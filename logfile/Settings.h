#pragma once

#include "logfile/IniFile.h"

#include <QString>

// The values the settings file keeps between runs, in section "TORVALE":
//
//   key                      field                  default when read
//   Form1.Left               formLeft               0
//   Form1.Top                formTop                0
//   Form1.Width              formWidth              962
//   Form1.Height             formHeight             768
//   portname                 portname               "COM1"
//   Button_MoveToLeft.left   buttonMoveToLeftLeft   the layout's value
//   Button_MoveToRight.left  buttonMoveToRightLeft  the layout's value
//   StringGrid1.Width        stringGrid1Width       the layout's value
//   Chart1.Width             chart1Width            the layout's value
//   Chart1.left              chart1Left             the layout's value
//   data_Directory           dataDirectory          ""
//   AutSave                  autSave                false ("true" exactly
//                                                   turns it on)
//
// The keys are written in this order and spelling and nothing else, so a
// rewrite drops keys and sections added by hand.  Values are not checked
// here: the window keeps whatever it applies on its screen.
struct Settings {
    int formLeft = 0;
    int formTop = 0;
    int formWidth = 962;
    int formHeight = 768;
    // Empty when the file holds the key with an empty value (the window then
    // selects the first port); "COM1" when the key is missing.
    QString portname = QStringLiteral("COM1");
    int buttonMoveToLeftLeft = 0;
    int buttonMoveToRightLeft = 0;
    int stringGrid1Width = 0;
    int chart1Width = 0;
    int chart1Left = 0;
    QString dataDirectory;
    bool autSave = false;

    // Reads every key with its default; the five layout values default to
    // those of `layout` (the controls' current values).
    static Settings read(const IniFile &ini, const Settings &layout);
    IniFile toIni() const;
    // Writes the whole file at once; the old one survives any failure.
    // Empty text on success, else the text to show.
    QString write(const QString &path) const;
};
