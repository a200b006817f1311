#include "logfile/Settings.h"

namespace
{

QString section()
{
    return QStringLiteral("TORVALE");
}

} // namespace

Settings Settings::read(const IniFile &ini, const Settings &layout)
{
    const QString s = section();
    Settings out;
    out.formLeft = ini.readInteger(s, QStringLiteral("Form1.Left"), 0);
    out.formTop = ini.readInteger(s, QStringLiteral("Form1.Top"), 0);
    out.formWidth = ini.readInteger(s, QStringLiteral("Form1.Width"), 962);
    out.formHeight = ini.readInteger(s, QStringLiteral("Form1.Height"), 768);
    // The layout keys are asked under names padded to 23 characters, as files
    // have always been read; the lookup ignores the blanks.
    out.buttonMoveToLeftLeft =
        ini.readInteger(s, QStringLiteral("Button_MoveToLeft.left "), layout.buttonMoveToLeftLeft);
    out.buttonMoveToRightLeft =
        ini.readInteger(s, QStringLiteral("Button_MoveToRight.left"), layout.buttonMoveToRightLeft);
    out.stringGrid1Width =
        ini.readInteger(s, QStringLiteral("StringGrid1.Width      "), layout.stringGrid1Width);
    out.chart1Width =
        ini.readInteger(s, QStringLiteral("Chart1.Width           "), layout.chart1Width);
    out.chart1Left =
        ini.readInteger(s, QStringLiteral("Chart1.left            "), layout.chart1Left);
    out.dataDirectory = ini.readString(s, QStringLiteral("data_Directory"), QString());
    out.portname = ini.readString(s, QStringLiteral("portname"), QStringLiteral("COM1"));
    out.autSave = ini.readString(s, QStringLiteral("AutSave"), QStringLiteral("false")) ==
                  QStringLiteral("true");
    return out;
}

IniFile Settings::toIni() const
{
    const QString s = section();
    IniFile ini;
    ini.writeInteger(s, QStringLiteral("Form1.Left"), formLeft);
    ini.writeInteger(s, QStringLiteral("Form1.Top"), formTop);
    ini.writeInteger(s, QStringLiteral("Form1.Width"), formWidth);
    ini.writeInteger(s, QStringLiteral("Form1.Height"), formHeight);
    ini.writeString(s, QStringLiteral("portname"), portname);
    ini.writeInteger(s, QStringLiteral("Button_MoveToLeft.left"), buttonMoveToLeftLeft);
    ini.writeInteger(s, QStringLiteral("Button_MoveToRight.left"), buttonMoveToRightLeft);
    ini.writeInteger(s, QStringLiteral("StringGrid1.Width"), stringGrid1Width);
    ini.writeInteger(s, QStringLiteral("Chart1.Width"), chart1Width);
    ini.writeInteger(s, QStringLiteral("Chart1.left"), chart1Left);
    ini.writeString(s, QStringLiteral("data_Directory"), dataDirectory);
    ini.writeString(s, QStringLiteral("AutSave"),
                    autSave ? QStringLiteral("true") : QStringLiteral("false"));
    return ini;
}

QString Settings::write(const QString &path) const
{
    return toIni().saveTo(path);
}
