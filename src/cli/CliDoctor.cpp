#include "CliBoard.h"
#include "CliCommands.h"
#include "CliExit.h"
#include "CliOptions.h"
#include "Terminal.h"
#include "doctor/LinkDoctor.h"
#include "link/RateText.h"
#include "link/SpeedList.h"

#include <cmath>

namespace {

constexpr int DefaultPolls = 100;

} // namespace

int runDoctor(Terminal& terminal, const QStringList& args)
{
    CliOptions options(
        QStringLiteral("skyvane-cli doctor --port P [--speed S] [--rate 33ms] [--seconds N] "
                       "[--find-speed]"),
        QStringLiteral(
            "Checks the link to the board and prints a report, each line \"ok\", \"warning\" or "
            "\"problem\" with the remedy as commands to paste: the device and its adapter, "
            "whether you may open it, other programs that hold it, ModemManager and brltty, "
            "the adapter's latency timer, and with the board connected the round trip from "
            "\"F\" to its frame (at least 100 polls), the frame interval's jitter, noise and "
            "lost frames. --find-speed tries each speed of the speed list with \"F\" instead "
            "and names the one the board answers at. Exits 0 without problems, 1 with one or "
            "more."));
    options.addPortOptions();
    options.addOption({QStringLiteral("rate"),
                       QStringLiteral("Poll the board every RATE (default 33ms)."),
                       QStringLiteral("RATE"), QStringLiteral("33ms")});
    options.addOption({QStringLiteral("seconds"),
                       QStringLiteral("Measure this long (at least 100 polls)."),
                       QStringLiteral("N")});
    options.addOption({QStringLiteral("find-speed"),
                       QStringLiteral("Look for the speed the board answers at (sends only "
                                      "\"F\"), then open the port at --speed again.")});
    options.addOption({QStringLiteral("low-latency"),
                       QStringLiteral("\"Low latency\" at the open: on, off, or ftdi (the "
                                      "default: on for FTDI adapters)."),
                       QStringLiteral("CHOICE"), QStringLiteral("ftdi")});
    if (const int code = options.parse(args, terminal, 0); code >= 0)
        return code;

    const int rateMs = RateMilliseconds(options.parser.value(QStringLiteral("rate")));
    if (rateMs <= 0) {
        terminal.error(QStringLiteral("--rate needs a number of milliseconds such as 33ms, not "
                                      "\"%1\"")
                           .arg(options.parser.value(QStringLiteral("rate"))));
        return ExitBadUsage;
    }
    int polls = DefaultPolls;
    if (options.parser.isSet(QStringLiteral("seconds"))) {
        bool ok = false;
        const double seconds = options.parser.value(QStringLiteral("seconds")).toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > 86400) {
            terminal.error(QStringLiteral("--seconds needs a positive number, not \"%1\"")
                               .arg(options.parser.value(QStringLiteral("seconds"))));
            return ExitBadUsage;
        }
        polls = std::max(DefaultPolls, int(std::lround(seconds * 1000 / rateMs)));
    }
    const QString latency = options.parser.value(QStringLiteral("low-latency"));
    LowLatencyChoice lowLatency = LowLatencyChoice::Ftdi;
    if (latency == QLatin1String("on"))
        lowLatency = LowLatencyChoice::On;
    else if (latency == QLatin1String("off"))
        lowLatency = LowLatencyChoice::Off;
    else if (latency != QLatin1String("ftdi")) {
        terminal.error(
            QStringLiteral("--low-latency needs on, off or ftdi, not \"%1\"").arg(latency));
        return ExitBadUsage;
    }

    CliBoard board(terminal, options.port());
    BoardSession& session = board.session();
    session.port().setLowLatency(lowLatency);
    session.request().setInterval(rateMs);

    LinkDoctor::Setup setup;
    setup.portName = options.port();
    setup.speed = options.speed();
    setup.rateMs = rateMs;
    setup.polls = polls;
    setup.speeds = SpeedList();
    setup.remedies.findSpeed =
        QStringLiteral("skyvane-cli doctor --port %1 --find-speed").arg(options.port());
    setup.remedies.useSpeed = [port = options.port()](const QString& speed) {
        return QStringLiteral("skyvane-cli doctor --port %1 --speed %2").arg(port, speed);
    };
    LinkDoctor doctor(session, setup);
    const DoctorReport report =
        options.parser.isSet(QStringLiteral("find-speed")) ? doctor.findSpeed() : doctor.check();
    terminal.out(report.text().toUtf8());
    if (session.port().PortOpen())
        session.ClosePort();
    return report.count(DoctorLine::Problem) > 0 ? ExitBoardFailed : ExitDone;
}
