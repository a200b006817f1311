// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/DoseDialog.h"

#include "dose/DoseFactor.h"
#include "dose/DoseSettings.h"
#include "dose/TubePresets.h"
#include "stats/Alarm.h"
#include "stats/AlarmSettings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>

namespace
{

const QString NoTube = QString();

} // namespace

DoseDialog::DoseDialog(DoseSettings *dose, AlarmSettings *alarm, QWidget *parent)
    : QDialog(parent), m_dose(dose), m_alarm(alarm), m_tube(new QComboBox(this)),
      m_factor(new QLineEdit(this)), m_threshold(new QLineEdit(this)),
      m_unit(new QComboBox(this)), m_minutes(new QSpinBox(this))
{
    setWindowTitle(tr("Conversion and alarm"));
    m_tube->addItem(tr("None (counts only)"), NoTube);
    for (const TubePresets::Preset &p : TubePresets::all())
        m_tube->addItem(tr("%1 (%2)").arg(p.name, DoseFactor::format(p.factor)), p.name);
    m_tube->addItem(tr("Custom"), DoseSettings::customName());
    m_tube->setCurrentIndex(std::max(0, m_tube->findData(dose->tube())));
    if (dose->factor())
        m_factor->setText(DoseFactor::format(*dose->factor()));
    m_unit->addItem(QStringLiteral("cpm"));
    m_unit->addItem(QStringLiteral("µSv/h"));
    m_unit->setCurrentIndex(alarm->unit() == AlarmSettings::Unit::Cpm ? 0 : 1);
    if (alarm->threshold())
        m_threshold->setText(QString::number(*alarm->threshold(), 'g', 6));
    m_threshold->setPlaceholderText(tr("Empty: no alarm"));
    m_minutes->setRange(1, Alarm::MaxMinutes);
    m_minutes->setValue(alarm->minutes());
    m_minutes->setSuffix(tr(" min"));

    auto *form = new QFormLayout(this);
    form->addRow(tr("GM tube"), m_tube);
    form->addRow(tr("Factor [cpm/(µSv/h)]"), m_factor);
    form->addRow(tr("Alarm threshold"), m_threshold);
    form->addRow(tr("Threshold unit"), m_unit);
    form->addRow(tr("Averaging time"), m_minutes);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &DoseDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DoseDialog::reject);
    connect(m_tube, &QComboBox::currentIndexChanged, this, &DoseDialog::tubeChosen);
    tubeChosen();
}

void DoseDialog::tubeChosen()
{
    const QString tube = m_tube->currentData().toString();
    if (const auto preset = TubePresets::named(tube))
        m_factor->setText(DoseFactor::format(preset->factor));
    else if (tube.isEmpty())
        m_factor->clear();
    m_factor->setEnabled(tube == DoseSettings::customName());
}

QString DoseDialog::applyFields()
{
    const QString tube = m_tube->currentData().toString();
    // Check everything before changing anything.
    if (tube == DoseSettings::customName()) {
        const DoseFactor::Parsed parsed = DoseFactor::parse(m_factor->text());
        if (!parsed.value)
            return DoseFactor::message(parsed.error);
    }
    AlarmSettings trial;
    const auto unit = m_unit->currentIndex() == 0 ? AlarmSettings::Unit::Cpm
                                                  : AlarmSettings::Unit::Usvh;
    if (QString error = trial.set(m_threshold->text(), unit, m_minutes->value()); !error.isEmpty())
        return error;
    if (unit == AlarmSettings::Unit::Usvh && trial.threshold() && tube.isEmpty())
        return tr("A threshold in µSv/h needs a conversion factor.");
    if (tube.isEmpty())
        m_dose->clear();
    else if (tube == DoseSettings::customName())
        m_dose->setCustom(m_factor->text());
    else
        m_dose->choosePreset(tube);
    return m_alarm->set(m_threshold->text(), unit, m_minutes->value());
}

void DoseDialog::accept()
{
    const QString error = applyFields();
    if (!error.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("TORVALE"), error);
        return;
    }
    QDialog::accept();
}
