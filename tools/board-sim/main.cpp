// SPDX-License-Identifier: GPL-3.0-or-later
#include "Board.h"
#include "Options.h"
#include "PseudoTerminal.h"
#include "SignalWatcher.h"
#include "SlaveLink.h"
#include "TcpBridge.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    SignalWatcher::blockTerminationSignals();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("board-sim");

    const ParsedOptions parsed = parseOptions(QCoreApplication::arguments());
    if (!parsed.helpText.isEmpty()) {
        std::fputs(qPrintable(parsed.helpText), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "board-sim: %s\n", qPrintable(parsed.error));
        return 2;
    }
    const Options& options = *parsed.options;

    QString error;
    const auto pty = PseudoTerminal::open(error);
    if (!pty) {
        std::fprintf(stderr, "board-sim: %s\n", qPrintable(error));
        return 1;
    }
    SlaveLink link;
    if (!options.linkPath.isEmpty() && !link.create(options.linkPath, pty->slavePath(), error)) {
        std::fprintf(stderr, "board-sim: %s\n", qPrintable(error));
        return 1;
    }

    Board board(options, *pty);
    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &board,
                     &Board::terminate);
    QObject::connect(&board, &Board::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);

    TcpBridge bridge(pty->slavePath());
    if (options.tcpPort && !bridge.listen(quint16(*options.tcpPort), error)) {
        std::fprintf(stderr, "board-sim: %s\n", qPrintable(error));
        return 1;
    }

    // Whoever started the board reads this line to find the port (and the next one for the
    // TCP port).
    std::printf("%s\n", qPrintable(pty->slavePath()));
    if (options.tcpPort)
        std::printf("socket://127.0.0.1:%u\n", unsigned(bridge.port()));
    std::fflush(stdout);

    const int code = QCoreApplication::exec();
    link.remove();
    return code;
}
