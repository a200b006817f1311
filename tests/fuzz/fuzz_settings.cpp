// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes read as a settings file without harm.  A rewrite is stable: the
// file the program writes from what it read reads back as the same file.
// The settings read from it, written and read again, are the same settings,
// except that a text value keeps only its first line (a value is one line
// of the file; a lone CR inside one is data to the reader), and that line
// loses the blanks at its end as any line of the file does.
#include "FuzzCheck.h"
#include "tests/common/LayoutSettings.h"

#include "logfile/IniFile.h"
#include "logfile/Settings.h"

#include <cstddef>
#include <cstdint>

namespace
{

QString asReadBack(const QString &text)
{
    qsizetype cut = text.size();
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == u'\r' || text[i] == u'\n') {
            cut = i;
            break;
        }
    while (cut > 0 && (text[cut - 1] == u' ' || text[cut - 1] == u'\t'))
        --cut;
    return text.first(cut);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const IniFile ini = IniFile::fromBytes(QByteArrayView(data, qsizetype(size)));
    const QByteArray rewritten = ini.toBytes();
    FUZZ_CHECK(IniFile::fromBytes(rewritten).toBytes() == rewritten);

    const Settings layout = layoutSettings();
    const Settings first = Settings::read(ini, layout);
    const Settings again = Settings::read(IniFile::fromBytes(first.toIni().toBytes()), layout);
    FUZZ_CHECK(again.formLeft == first.formLeft);
    FUZZ_CHECK(again.formTop == first.formTop);
    FUZZ_CHECK(again.formWidth == first.formWidth);
    FUZZ_CHECK(again.formHeight == first.formHeight);
    FUZZ_CHECK(again.portname == asReadBack(first.portname));
    FUZZ_CHECK(again.buttonMoveToLeftLeft == first.buttonMoveToLeftLeft);
    FUZZ_CHECK(again.buttonMoveToRightLeft == first.buttonMoveToRightLeft);
    FUZZ_CHECK(again.stringGrid1Width == first.stringGrid1Width);
    FUZZ_CHECK(again.chart1Width == first.chart1Width);
    FUZZ_CHECK(again.chart1Left == first.chart1Left);
    FUZZ_CHECK(again.dataDirectory == asReadBack(first.dataDirectory));
    FUZZ_CHECK(again.autSave == first.autSave);
    return 0;
}
