#include "CliBoards.h"
#include "CliCommands.h"
#include "CliExit.h"
#include "CliOptions.h"
#include "Terminal.h"
#include "record/Recorder.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<CliOptions> recordOptions()
{
    auto options = std::make_unique<CliOptions>(
        QStringLiteral("skyvane-cli record --port P [--port P2 ...] [--speed 115200] "
                       "[--rate 33ms] [--seconds N] [--out FILE] [--mirror PATH]"),
        QStringLiteral("Asks the board for a measurement frame at the rate, as the window does "
                       "with \"Data communication\" checked, and writes every decoded frame to "
                       "the recording file (CSV) until N seconds have passed or Ctrl+C. A line "
                       "on standard error every second tells frames, rate and file size.\n"
                       "With several --port, --out names a folder (made when missing) and each "
                       "board's recording is the file named after its port (COM3.csv, "
                       "ttyUSB0.csv); a lost board ends its own file and the others go on. "
                       "Exits 3 when a board was lost."));
    CliBoards::addOptions(*options);
    options->addOption({QStringLiteral("out"),
                        QStringLiteral("The recording file, or with several ports the folder "
                                       "(default skyvane-YYYYMMDD-HHMMSS.csv, or that name "
                                       "without .csv, in the current folder)."),
                        QStringLiteral("FILE")});
    return options;
}

// The file of each board; empty after an error line.
QStringList outputFiles(Terminal& terminal, const CliOptions& options, const QDateTime& started)
{
    const QStringList ports = options.ports();
    QString out = options.parser.value(QStringLiteral("out"));
    const QString stamp = started.toString(QStringLiteral("'skyvane-'yyyyMMdd-HHmmss"));
    if (ports.size() == 1)
        return {out.isEmpty() ? stamp + QStringLiteral(".csv") : out};
    if (out.isEmpty())
        out = stamp;
    if (!QDir().mkpath(out)) {
        terminal.error(QStringLiteral("cannot make the folder %1").arg(out));
        return {};
    }
    QStringList files;
    for (const QString& port : ports) {
        const QString name = CliBoards::fileNameOf(port) + QStringLiteral(".csv");
        const QString path = QDir(out).filePath(name);
        if (files.contains(path)) {
            terminal.error(QStringLiteral("two ports would write the same file %1").arg(path));
            return {};
        }
        files.append(path);
    }
    return files;
}

} // namespace

int runRecord(Terminal& terminal, const QStringList& args)
{
    const std::unique_ptr<CliOptions> options = recordOptions();
    const QDateTime started = QDateTime::currentDateTime();
    QStringList files;
    int rateMs = 0;
    QString speed;
    bool writeFailed = false;
    std::vector<std::unique_ptr<Recorder>> recorders;
    std::vector<qint64> lastFrames;

    CliBoards::Command command;
    command.prepare = [&](const CliOptions& parsed, const CliBoards::Polling& polling) {
        rateMs = polling.rateMs;
        speed = parsed.speed();
        files = outputFiles(terminal, parsed, started);
        return files.isEmpty() ? ExitBadUsage : -1;
    };
    command.start = [&](CliBoards& boards, CliBoard& board, std::size_t i) {
        auto recorder = std::make_unique<Recorder>([&board, &writeFailed](const QString& text) {
            if (text.contains(QStringLiteral("cannot write")))
                writeFailed = true;
            board.line(text);
        });
        if (!recorder->start(files[qsizetype(i)], {started, board.port(), speed.toInt(), rateMs}))
            return false;
        Recorder* r = recorder.get();
        board.stream().subscribe([r](const Measurement& m) { r->add(m); });
        // A file that cannot be written ends its recording; with none left the command ends.
        QObject::connect(r, &Recorder::stopped, r, [&recorders, &boards] {
            if (std::none_of(recorders.begin(), recorders.end(),
                             [](const auto& each) { return each->isRecording(); }))
                boards.stop();
        });
        recorders.push_back(std::move(recorder));
        lastFrames.push_back(0);
        return true;
    };
    // A lost board's file is closed complete before its line.
    command.stop = [&](std::size_t i) { recorders[i]->stop(); };
    command.report = [&](CliBoard&, std::size_t i) {
        if (!recorders[i]->isRecording())
            return QString();
        const qint64 frames = recorders[i]->frames();
        QString text = QStringLiteral("%1 frames, %2 frames/s, %3 bytes")
                           .arg(frames)
                           .arg(frames - lastFrames[i])
                           .arg(QFileInfo(files[qsizetype(i)]).size());
        lastFrames[i] = frames;
        return text;
    };

    const int code = CliBoards::run(terminal, *options, args, command);
    if (code == ExitDone && writeFailed)
        return ExitBoardFailed;
    return code;
}
