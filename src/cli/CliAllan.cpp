#include "CliCommands.h"
#include "CliExit.h"
#include "CliOptions.h"
#include "Terminal.h"
#include "analysis/AllanAnalysis.h"
#include "core/FileWrite.h"
#include "record/RecordingReader.h"

int runAllan(Terminal& terminal, const QStringList& args)
{
    CliOptions options(
        QStringLiteral("skyvane-cli allan FILE --column NAME [--column NAME...] [--phase] "
                       "[--out FILE.csv]"),
        QStringLiteral(
            "Prints the overlapping Allan deviation of columns of a recording as CSV, one line "
            "\"column,tau,adev,count\" per tau (about 10 a decade up to a quarter of the "
            "samples), then the noise terms as \"# N=...\" (random walk at tau 1 s), \"# B=... "
            "at tau=...\" (bias instability) and \"# K=...\" (rate random walk at tau 3 s) "
            "lines, \"not reached\" where the curve does not show them. The samples are taken "
            "at the mean interval of the longest stretch without a gap (an interval of more "
            "than 5 typical ones); a \"#\" line before a column's rows tells the intervals and "
            "the stretch. Exits 2 on a bad file or column, 1 when a column has too few "
            "samples."));
    options.addOption({QStringLiteral("column"),
                       QStringLiteral("A column of the recording (f7, hx, psi, ...); more than "
                                      "once for several."),
                       QStringLiteral("NAME")});
    options.addOption({QStringLiteral("phase"),
                       QStringLiteral("The values are angles (integrated rates), not rates; "
                                      "phi, theta and psi are unwrapped.")});
    options.addOption({QStringLiteral("out"),
                       QStringLiteral("Write the CSV to this file instead of standard output."),
                       QStringLiteral("FILE")});
    if (const int code = options.parse(args, terminal, 1); code >= 0)
        return code;
    const QStringList columns = options.parser.values(QStringLiteral("column"));
    if (columns.isEmpty()) {
        terminal.error(QStringLiteral("--column is missing (see --help)"));
        return ExitBadUsage;
    }
    const QString path = options.positional().first();
    const AllanInput input =
        options.parser.isSet(QStringLiteral("phase")) ? AllanInput::Phase : AllanInput::Rate;

    std::vector<ColumnCollector> collectors;
    for (const QString& column : columns) {
        collectors.emplace_back(column.toUtf8());
        if (!collectors.back().known()) {
            terminal.error(QStringLiteral("\"%1\" is no column of a recording").arg(column));
            return ExitBadUsage;
        }
    }
    const RecordingReader::Result read = RecordingReader::read(path);
    if (!read.ok()) {
        terminal.error(QStringLiteral("recording %1: %2").arg(path, read.error));
        return ExitBadUsage;
    }
    for (ColumnCollector& collector : collectors)
        collector.reserve(std::size_t(read.recording.frames.size()));
    for (const RecordedFrame& frame : read.recording.frames)
        for (ColumnCollector& collector : collectors)
            collector.add(frame.microseconds / 1e6, frame.measurement);

    QByteArray csv = allanCsvHeader();
    int exit = ExitDone;
    for (ColumnCollector& collector : collectors) {
        if (collector.series().values.empty()) {
            terminal.error(QStringLiteral("recording %1 holds no values of column %2")
                               .arg(path, QString::fromUtf8(collector.series().name)));
            return ExitBadUsage;
        }
        const AllanResult result = analyseAllan(collector.take(), input);
        // Too few samples: the one outcome of a good file and column that is no result, told
        // apart like magfit's too few points.
        if (!result.ok()) {
            terminal.error(allanTimingText(result));
            exit = ExitBoardFailed;
        }
        csv += allanCsv(result);
    }

    const QString out = options.parser.value(QStringLiteral("out"));
    if (out.isEmpty()) {
        terminal.out(csv);
        return exit;
    }
    const QString failure = WriteFileAtomically(out, csv);
    if (!failure.isEmpty()) {
        terminal.error(QStringLiteral("%1 cannot be written: %2").arg(out, failure));
        return ExitBadUsage;
    }
    return exit;
}
