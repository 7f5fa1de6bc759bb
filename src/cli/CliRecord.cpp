#include "CliBoard.h"
#include "CliCommands.h"
#include "CliExit.h"
#include "CliLog.h"
#include "CliOptions.h"
#include "SignalPipe.h"
#include "Terminal.h"
#include "link/RateText.h"
#include "record/Recorder.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTimer>

#include <chrono>
#include <memory>

namespace {

std::unique_ptr<CliOptions> recordOptions()
{
    auto options = std::make_unique<CliOptions>(
        QStringLiteral("skyvane-cli record --port P [--speed 115200] [--rate 33ms] "
                       "[--seconds N] [--out FILE]"),
        QStringLiteral("Asks the board for a measurement frame at the rate, as the window does "
                       "with \"Data communication\" checked, and writes every decoded frame to "
                       "the recording file (CSV) until N seconds have passed or Ctrl+C. A line "
                       "on standard error every second tells frames, rate and file size."));
    options->addPortOptions();
    options->addOption({QStringLiteral("rate"),
                        QStringLiteral("Interval of the data request (default 33ms; 0ms: none)."),
                        QStringLiteral("RATE"), QStringLiteral("33ms")});
    options->addOption({QStringLiteral("seconds"),
                        QStringLiteral("Stop after N seconds (default: run until Ctrl+C)."),
                        QStringLiteral("N")});
    options->addOption({QStringLiteral("out"),
                        QStringLiteral("The recording file (default skyvane-YYYYMMDD-HHMMSS.csv "
                                       "in the current folder)."),
                        QStringLiteral("FILE")});
    return options;
}

} // namespace

int runRecord(Terminal& terminal, const QStringList& args)
{
    const std::unique_ptr<CliOptions> parsed = recordOptions();
    CliOptions& options = *parsed;
    if (const int code = options.parse(args, terminal, 0); code >= 0)
        return code;

    const QString rateText = options.parser.value(QStringLiteral("rate"));
    const int rateMs = RateMilliseconds(rateText);
    if (rateMs < 0) {
        terminal.error(
            QStringLiteral("--rate needs milliseconds from 0 to 65535 (\"33ms\"), not \"%1\"")
                .arg(rateText));
        return ExitBadUsage;
    }
    double seconds = -1;
    if (options.parser.isSet(QStringLiteral("seconds"))) {
        bool ok = false;
        seconds = options.parser.value(QStringLiteral("seconds")).toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > 2e6) {
            terminal.error(QStringLiteral("--seconds needs a positive number, not \"%1\"")
                               .arg(options.parser.value(QStringLiteral("seconds"))));
            return ExitBadUsage;
        }
    }
    const QDateTime started = QDateTime::currentDateTime();
    QString out = options.parser.value(QStringLiteral("out"));
    if (out.isEmpty())
        out = started.toString(QStringLiteral("'skyvane-'yyyyMMdd-HHmmss'.csv'"));

    CliLog log(terminal, false);
    CliBoard board(terminal, log);
    BoardSession& session = board.session;
    if (!board.open(options.port(), options.speed()))
        return ExitPortTrouble;

    bool writeFailed = false;
    Recorder recorder([&](const QString& text) {
        if (text.contains(QStringLiteral("cannot write")))
            writeFailed = true;
        terminal.line(text);
    });
    if (!recorder.start(out, {started, options.port(), options.speed().toInt(), rateMs})) {
        session.ClosePort();
        return ExitBadUsage;
    }
    QObject::connect(&recorder, &Recorder::stopped, &board, &CliBoard::stop);
    const int subscription =
        session.stream().subscribe([&recorder](const Measurement& m) { recorder.add(m); });

    // The window's data request with "Data communication" checked.
    session.request().setInterval(rateMs);
    session.setPolling(true);

    qint64 lastFrames = 0;
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, &board, [&] {
        const qint64 frames = recorder.frames();
        terminal.line(QStringLiteral("%1 frames, %2 frames/s, %3 bytes")
                          .arg(frames)
                          .arg(frames - lastFrames)
                          .arg(QFileInfo(out).size()));
        lastFrames = frames;
    });
    report.start(1000);

    SignalPipe interrupts;
    QObject::connect(&interrupts, &SignalPipe::interrupted, &board, &CliBoard::stop);
    if (seconds > 0)
        QTimer::singleShot(std::chrono::milliseconds(qint64(seconds * 1000)), &board,
                           &CliBoard::stop);

    board.run();
    report.stop();
    session.setPolling(false);
    session.stream().unsubscribe(subscription);
    recorder.stop();
    if (session.linkLost())
        return board.reportLost();
    session.ClosePort();
    return writeFailed ? ExitBoardFailed : ExitDone;
}
