// SPDX-License-Identifier: GPL-3.0-or-later
// The recovery copy: the window's side of it.
#include "window/TForm1.h"

#include "window/Prompts.h"
#include "core/Clock.h"
#include "core/DayTable.h"
#include "core/TimeText.h"
#include "logfile/RecoveryCopy.h"
#include "measure/MeasurementSession.h"

#include <QApplication>

void TForm1::offerRecoveryCopy()
{
    RecoveryCopy &copy = m_session->recoveryCopy();
    if (!copy.holdsUnsaved())
        return;
    const QDateTime written = copy.writtenAt();
    const QString question =
        tr("The last measurement was not saved. Restore it?\r(counts up to %1 %2)")
            .arg(TimeText::date(written.date()), TimeText::time(written.time()));
    if (!m_prompts->askYesNo(QApplication::applicationName(), question)) {
        m_session->settleRecoveryCopy();
        return;
    }
    // The copy stays until a save holds its minutes: closing again without
    // saving brings the question back.
    const LogFile::LoadResult result = copy.load(*m_table, m_clock->now().date());
    if (!result.ok) {
        m_prompts->reportError(tr("Cannot read %1: %2").arg(copy.path(), result.error));
        return;
    }
    draw_graph();
}
