#include "CliBoards.h"
#include "CliCommands.h"
#include "CliExit.h"
#include "CliOptions.h"
#include "Terminal.h"
#include "output/HostPort.h"
#include "output/UdpForwarder.h"

#include <memory>
#include <vector>

namespace {

std::unique_ptr<CliOptions> streamOptions()
{
    auto options = std::make_unique<CliOptions>(
        QStringLiteral("skyvane-cli stream --port P [--port P2 ...] [--speed 115200] "
                       "[--rate 33ms] [--seconds N] [--udp HOST:PORT] [--mirror PATH]"),
        QStringLiteral("Asks the board for a measurement frame at the rate, as \"record\" does, "
                       "and sends every decoded frame as one UDP datagram of JSON in the form "
                       "PlotJuggler's UDP server reads (\"timestamp\" in seconds since the Unix "
                       "epoch, \"kind\", then the frame's floats under the recording's column "
                       "names; null for a float that is not a number), until N seconds have "
                       "passed or Ctrl+C. A line on standard error every second tells frames "
                       "and datagrams per second.\nWith several --port every datagram also "
                       "carries \"port\"; a lost board ends on its own and the others go on. "
                       "Exits 3 when a board was lost."));
    CliBoards::addOptions(*options);
    options->addOption({QStringLiteral("udp"),
                        QStringLiteral("Where the datagrams go (default 127.0.0.1:9870, "
                                       "PlotJuggler's UDP server)."),
                        QStringLiteral("HOST:PORT"),
                        QString::fromLatin1(UdpForwarder::DefaultAddress)});
    return options;
}

} // namespace

int runStream(Terminal& terminal, const QStringList& args)
{
    const std::unique_ptr<CliOptions> options = streamOptions();
    QString udp;
    std::vector<std::unique_ptr<UdpForwarder>> forwarders;
    std::vector<qint64> lastFrames;
    std::vector<qint64> lastSent;

    CliBoards::Command command;
    command.prepare = [&](const CliOptions& parsed, const CliBoards::Polling&) {
        udp = parsed.parser.value(QStringLiteral("udp"));
        if (const HostPort destination = HostPort::parse(udp); !destination.ok()) {
            terminal.error(QStringLiteral("--udp: %1").arg(destination.error));
            return int(ExitBadUsage);
        }
        return -1;
    };
    command.start = [&](CliBoards& boards, CliBoard& board, std::size_t) {
        auto forwarder = std::make_unique<UdpForwarder>(
            board.stream(), [&board](const QString& text) { board.line(text); });
        if (boards.several())
            forwarder->setPortName(board.port());
        if (!forwarder->start(udp))
            return false;
        forwarders.push_back(std::move(forwarder));
        lastFrames.push_back(0);
        lastSent.push_back(0);
        return true;
    };
    command.stop = [&](std::size_t i) { forwarders[i]->stop(); };
    command.report = [&](CliBoard& board, std::size_t i) {
        const qint64 frames = board.frames();
        const qint64 sent = forwarders[i]->sent();
        QString text = QStringLiteral("%1 frames, %2 frames/s, %3 datagrams/s")
                           .arg(frames)
                           .arg(frames - lastFrames[i])
                           .arg(sent - lastSent[i]);
        lastFrames[i] = frames;
        lastSent[i] = sent;
        return text;
    };
    return CliBoards::run(terminal, *options, args, command);
}
