#include "Board.h"
#include "Options.h"
#include "PseudoTerminal.h"
#include "SignalWatcher.h"
#include "SlaveLink.h"

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

    // Whoever started the board reads this line to find the port.
    std::printf("%s\n", qPrintable(pty->slavePath()));
    std::fflush(stdout);

    const int code = QCoreApplication::exec();
    link.remove();
    return code;
}
