// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes load as a log file without harm, and a loaded table saved and
// loaded again is the same table, cell for cell, as long as its cells hold
// no double quote and no TAB: those are the field marks the reader strips,
// so a file cannot carry them inside a cell.  Damaged lines may put them
// there; such a table is still saved and loaded, just not compared.
#include "FuzzCheck.h"

#include "core/DayTable.h"
#include "logfile/LogFormat.h"

#include <cstddef>
#include <cstdint>

namespace
{

// Wider tables are only loaded: saving 1441 rows of hundreds of columns on
// every input would slow the search down to a crawl.
constexpr int RoundTripColumns = 64;

bool holdsFieldMark(const QString &text)
{
    return text.contains(u'"') || text.contains(u'\t');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    DayTable loaded;
    LogFormat::decodeInto(loaded, QByteArrayView(data, qsizetype(size)));
    FUZZ_CHECK(loaded.colCount() >= DayTable::InitialColumnCount);
    FUZZ_CHECK(loaded.colCount() <= LogFormat::MaxColumns);
    if (loaded.colCount() > RoundTripColumns)
        return 0;

    const QByteArray saved = LogFormat::encode(loaded, LogTitle::Manual);
    DayTable reloaded;
    LogFormat::decodeInto(reloaded, saved);
    FUZZ_CHECK(reloaded.colCount() == loaded.colCount());
    bool carried = true;
    bool same = true;
    for (int c = 0; c < loaded.colCount(); ++c)
        for (int r = 0; r < DayTable::RowCount; ++r) {
            const QString text = loaded.cell(c, r);
            carried = carried && !holdsFieldMark(text);
            same = same && reloaded.cell(c, r) == text;
        }
    FUZZ_CHECK(same || !carried);
    return 0;
}
