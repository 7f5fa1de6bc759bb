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
    const std::unique_ptr<CliOptions> parsed = streamOptions();
    CliOptions& options = *parsed;
    if (const int code = options.parse(args, terminal, 0); code >= 0)
        return code;
    CliBoards::Polling polling;
    if (const int code = CliBoards::parse(terminal, options, polling); code >= 0)
        return code;
    const QString udp = options.parser.value(QStringLiteral("udp"));
    if (const HostPort destination = HostPort::parse(udp); !destination.ok()) {
        terminal.error(QStringLiteral("--udp: %1").arg(destination.error));
        return ExitBadUsage;
    }

    CliBoards boards(terminal, options.ports());
    if (const int failed = boards.open(options.speed(), polling.mirrors); failed >= 0)
        return failed;
    std::vector<std::unique_ptr<UdpForwarder>> forwarders;
    for (auto& b : boards.boards()) {
        CliBoard* board = b.get();
        auto forwarder = std::make_unique<UdpForwarder>(
            board->stream(), [board](const QString& text) { board->line(text); });
        if (boards.several())
            forwarder->setPortName(board->port());
        if (!forwarder->start(udp)) {
            boards.finish();
            return ExitBadUsage;
        }
        forwarders.push_back(std::move(forwarder));
    }
    boards.setOnLost([&](CliBoard& board) {
        for (std::size_t i = 0; i < boards.boards().size(); ++i) {
            if (boards.boards()[i].get() == &board)
                forwarders[i]->stop();
        }
    });

    std::vector<qint64> lastFrames(forwarders.size(), 0);
    std::vector<qint64> lastSent(forwarders.size(), 0);
    boards.run(polling, [&] {
        for (std::size_t i = 0; i < forwarders.size(); ++i) {
            CliBoard& board = *boards.boards()[i];
            if (board.lost())
                continue;
            const qint64 frames = board.frames();
            const qint64 sent = forwarders[i]->sent();
            board.line(QStringLiteral("%1 frames, %2 frames/s, %3 datagrams/s")
                           .arg(frames)
                           .arg(frames - lastFrames[i])
                           .arg(sent - lastSent[i]));
            lastFrames[i] = frames;
            lastSent[i] = sent;
        }
    });
    boards.finish();
    for (auto& forwarder : forwarders)
        forwarder->stop();
    return boards.anyLost() ? ExitPortTrouble : ExitDone;
}
