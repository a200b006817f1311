// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/Settings.h"

#include <array>
#include <variant>

namespace
{

const QString Section = QStringLiteral("TORVALE");

// A key of the file and the field it fills.  A missing key gives the
// field's initial value, or with fromLayout the control's current value.
struct Key {
    QStringView name;
    std::variant<int Settings::*, QString Settings::*, bool Settings::*> field;
    bool fromLayout = false;
};

// In the order the file is written.
const std::array<Key, 12> Keys = {{
    {u"Form1.Left", &Settings::formLeft},
    {u"Form1.Top", &Settings::formTop},
    {u"Form1.Width", &Settings::formWidth},
    {u"Form1.Height", &Settings::formHeight},
    {u"portname", &Settings::portname},
    {u"Button_MoveToLeft.left", &Settings::buttonMoveToLeftLeft, true},
    {u"Button_MoveToRight.left", &Settings::buttonMoveToRightLeft, true},
    {u"StringGrid1.Width", &Settings::stringGrid1Width, true},
    {u"Chart1.Width", &Settings::chart1Width, true},
    {u"Chart1.left", &Settings::chart1Left, true},
    {u"data_Directory", &Settings::dataDirectory},
    {u"AutSave", &Settings::autSave},
}};

QString boolText(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

Settings Settings::read(const IniFile &ini, const Settings &layout)
{
    const Settings defaults;
    Settings out;
    for (const Key &key : Keys) {
        const Settings &missing = key.fromLayout ? layout : defaults;
        const QString name = key.name.toString();
        if (auto *f = std::get_if<int Settings::*>(&key.field))
            out.*(*f) = ini.readInteger(Section, name, missing.*(*f));
        else if (auto *f = std::get_if<QString Settings::*>(&key.field))
            out.*(*f) = ini.readString(Section, name, missing.*(*f));
        else if (auto *f = std::get_if<bool Settings::*>(&key.field))
            out.*(*f) = ini.readString(Section, name, boolText(missing.*(*f))) == boolText(true);
    }
    return out;
}

IniFile Settings::toIni() const
{
    IniFile ini;
    for (const Key &key : Keys) {
        const QString name = key.name.toString();
        if (auto *f = std::get_if<int Settings::*>(&key.field))
            ini.writeInteger(Section, name, this->*(*f));
        else if (auto *f = std::get_if<QString Settings::*>(&key.field))
            ini.writeString(Section, name, this->*(*f));
        else if (auto *f = std::get_if<bool Settings::*>(&key.field))
            ini.writeString(Section, name, boolText(this->*(*f)));
    }
    return ini;
}

QString Settings::write(const QString &path) const
{
    return toIni().saveTo(path);
}
