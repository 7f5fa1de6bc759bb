#include "CliBoard.h"
#include "CliCommands.h"
#include "CliExit.h"
#include "CliLog.h"
#include "CliOptions.h"
#include "ProgressBar.h"
#include "SignalPipe.h"
#include "Terminal.h"
#include "firmware/FirmwareImage.h"

int runFlash(Terminal& terminal, const QStringList& args)
{
    CliOptions options(
        QStringLiteral("skyvane-cli flash --port P FILE"),
        QStringLiteral(
            "Downloads the firmware package FILE (Intel HEX) to the board as the window's "
            "\"Download Firmware\" does: reset into the bootloader, version, erase, rows, run.\n"
            "The whole file is checked before the board is touched. Exits 0 only when every "
            "row was acknowledged and the application was started; Ctrl+C ends the download "
            "as \"Disconnection\" does."));
    options.addPortOptions();
    if (const int code = options.parse(args, terminal, 1); code >= 0)
        return code;

    const QString path = options.positional().first();
    const FirmwareLoad load = LoadFirmwareFile(path);
    if (!load.ok) {
        terminal.error(FirmwareRefusal(path, load));
        return ExitBadUsage;
    }

    CliLog log(terminal, true);
    ProgressBar progress(terminal);
    CliBoard board(terminal, log, &progress, path);
    BoardSession& session = board.session;
    if (!board.open(options.port(), options.speed()))
        return ExitPortTrouble;

    bool interrupted = false;
    SignalPipe interrupts;
    QObject::connect(&interrupts, &SignalPipe::interrupted, &board, [&] {
        interrupted = true;
        session.abandonDownload();
        session.ClosePort();
    });

    // A lost link ends the download as "Disconnection" does: no step opens the port again.
    QObject::connect(&session, &BoardSession::lost, &board,
                     [&session] { session.abandonDownload(); });

    session.runDownload();
    const bool programmed = log.logged(QStringLiteral("Flash Memory Programmed in "));
    const bool launched = log.logged(QStringLiteral("Application Launched."));
    if (session.linkLost())
        return board.reportLost();
    if (log.logged(QStringLiteral("Connection refused."))) {
        terminal.error(QStringLiteral("port %1 could not be opened again").arg(options.port()));
        return ExitPortTrouble;
    }
    if (interrupted) {
        terminal.error(QStringLiteral("download to %1 interrupted").arg(options.port()));
        return ExitBoardFailed;
    }
    if (!programmed) {
        terminal.error(QStringLiteral("the board at %1 did not take %2").arg(options.port(), path));
        return ExitBoardFailed;
    }
    if (!launched) {
        terminal.error(
            QStringLiteral("the board at %1 did not start the application").arg(options.port()));
        return ExitBoardFailed;
    }
    session.ClosePort();
    return ExitDone;
}
