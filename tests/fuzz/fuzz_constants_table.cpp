// The constants table file reader on any file content: a file it takes has at least one entry,
// exporting that table and reading the export gives the very same floats (their 32 bits, NaN
// as NaN), and the table shows no difference to itself. A file it refuses says which line, or
// that it holds no entries.

#include "FuzzCheck.h"

#include "constants/ConstantsTableFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const ConstantsTableFile::Parsed parsed = ConstantsTableFile::parse(content);
    if (!parsed.ok) {
        fuzzCheck(!parsed.error.isEmpty(), "a refusal says why");
        return 0;
    }
    fuzzCheck(parsed.error.isEmpty(), "a taken file has no error");
    fuzzCheck(!parsed.table.isEmpty(), "a taken file has entries");
    fuzzCheck(parsed.table.size() <= 65536, "indices stop at the board's last");

    const QByteArray exported = ConstantsTableFile::exportTable(
        parsed.table, QDateTime(QDate(2026, 12, 7), QTime(15, 4, 5)), QStringLiteral("COM3"));
    const ConstantsTableFile::Parsed reread = ConstantsTableFile::parse(exported);
    fuzzCheck(reread.ok && reread.table.size() == parsed.table.size(),
              "an exported table is taken back whole");
    const ConstantsTableFile::Compared same = ConstantsTableFile::diff(parsed.table, reread.table);
    fuzzCheck(same.ok && same.differences.isEmpty(), "an exported table reads back the same");
    fuzzCheck(ConstantsTableFile::exportTable(reread.table,
                                              QDateTime(QDate(2026, 12, 7), QTime(15, 4, 5)),
                                              QStringLiteral("COM3")) == exported,
              "exporting what was read back gives the same file");
    return 0;
}
