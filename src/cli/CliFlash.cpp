#include "CliBoard.h"
#include "CliCommands.h"
#include "CliExit.h"
#include "CliLog.h"
#include "CliOptions.h"
#include "ProgressBar.h"
#include "SignalPipe.h"
#include "Terminal.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareSummary.h"
#include "firmware/SecondsText.h"
#include "link/AdapterPorts.h"
#include "session/DownloadBackup.h"

#include <cmath>

namespace {

// Long enough for the bootloader to erase the whole flash.
constexpr double DefaultReplySeconds = 10;
// The longest QTimer interval, in seconds.
constexpr double LongestReplySeconds = 2147483.0;

} // namespace

int runFlash(Terminal& terminal, const QStringList& args)
{
    CliOptions options(
        QStringLiteral("skyvane-cli flash --port P [--reply-timeout SECONDS] [--backup FILE | "
                       "--no-backup] FILE\n"
                       "       skyvane-cli flash --dry-run FILE"),
        QStringLiteral(
            "Downloads the firmware package FILE (Intel HEX) to the board as the window's "
            "\"Download Firmware\" does: reset into the bootloader, version, erase, rows, run.\n"
            "The whole file is checked before the board is touched, and what will be sent is "
            "logged first; memory outside program memory (data EEPROM, configuration words, "
            "device and user IDs) is left out. Exits 0 only when every row was acknowledged and "
            "the application was started; a bootloader reply that does not come in time ends "
            "the download with exit 1; Ctrl+C ends the download as \"Disconnection\" does.\n"
            "Before the reset the board's constants table is read and kept as a constants file "
            "(as \"constants get\" writes it); after the start it is read again and the entries "
            "that differ from the copy are counted; \"constants set\" restores them from the "
            "copy."));
    options.addPortOptions();
    options.addOption({QStringLiteral("reply-timeout"),
                       QStringLiteral("Seconds to wait for each bootloader reply (default 10)."),
                       QStringLiteral("SECONDS"), QString::number(DefaultReplySeconds)});
    options.addOption({QStringLiteral("dry-run"),
                       QStringLiteral("Check FILE and print what would be sent (rows, ranges, "
                                      "what is left out); open nothing.")});
    options.addOption({QStringLiteral("backup"),
                       QStringLiteral("Keep the board's constants, read before the reset, in "
                                      "FILE (default: skyvane-constants-DATE-TIME-ADAPTER.csv "
                                      "in the documents folder)."),
                       QStringLiteral("FILE")});
    options.addOption({QStringLiteral("no-backup"),
                       QStringLiteral("Neither read nor keep the constants around the "
                                      "download.")});
    options.portNotNeededWith(QStringLiteral("dry-run"));
    if (const int code = options.parse(args, terminal, 1); code >= 0)
        return code;
    bool numberOk = false;
    const QString timeoutText = options.parser.value(QStringLiteral("reply-timeout"));
    const double replySeconds = timeoutText.toDouble(&numberOk);
    if (!numberOk || !(replySeconds > 0) || replySeconds > LongestReplySeconds) {
        terminal.error(
            QStringLiteral("--reply-timeout needs a positive number of seconds, not \"%1\"")
                .arg(timeoutText));
        return ExitBadUsage;
    }

    const QString path = options.positional().first();
    const FirmwareLoad load = LoadFirmwareFile(path);
    if (!load.ok) {
        terminal.error(FirmwareRefusal(path, load));
        return ExitBadUsage;
    }
    if (options.parser.isSet(QStringLiteral("dry-run"))) {
        for (const QString& line : FirmwareSummary(path, load))
            terminal.out((line + QLatin1Char('\n')).toUtf8());
        return ExitDone;
    }

    CliLog log(terminal, true);
    ProgressBar progress(terminal);
    CliBoard::Setup setup;
    setup.log = &log;
    setup.progress = &progress;
    setup.firmwarePath = path;
    CliBoard board(terminal, options.port(), setup);
    BoardSession& session = board.session();
    if (!board.open(options.speed()))
        return ExitPortTrouble;

    session.firmware().boot.setReplyTimeout(static_cast<int>(std::lround(replySeconds * 1000)));
    SignalPipe interrupts;
    QObject::connect(&interrupts, &SignalPipe::interrupted, &board, [&session] {
        session.abandonDownload();
        session.ClosePort();
    });

    // A lost link ends the download as "Disconnection" does: no step opens the port again.
    QObject::connect(&session, &BoardSession::lost, &board,
                     [&session] { session.abandonDownload(); });

    DownloadBackup::Setup keep;
    if (!options.parser.isSet(QStringLiteral("no-backup"))) {
        const QString named = options.parser.value(QStringLiteral("backup"));
        keep.backupPath = [named, port = options.port()] {
            return named.isEmpty() ? BackupFileName(AdapterFileTag(port, PresentAdapters()), {})
                                   : named;
        };
    }
    keep.portName = [port = options.port()] { return port; };
    DownloadBackup backup(session, log, keep);
    const DownloadResult result = backup.run(path, load);
    if (session.linkLost())
        return board.reportLost();
    switch (result.outcome) {
    case DownloadResult::Programmed:
        break;
    case DownloadResult::NoPort:
        terminal.error(QStringLiteral("port %1 could not be opened again").arg(options.port()));
        return ExitPortTrouble;
    case DownloadResult::NoReply:
        terminal.error(QStringLiteral("the bootloader at %1 did not answer within %2 s")
                           .arg(options.port(), SecondsText(replySeconds)));
        return ExitBoardFailed;
    case DownloadResult::Abandoned:
        terminal.error(QStringLiteral("download to %1 interrupted").arg(options.port()));
        return ExitBoardFailed;
    case DownloadResult::Refused:
        terminal.error(result.reason);
        return ExitBadUsage;
    case DownloadResult::Failed:
        if (result.step == DownloadResult::Launch)
            terminal.error(QStringLiteral("the board at %1 did not start the application")
                               .arg(options.port()));
        else
            terminal.error(
                QStringLiteral("the board at %1 did not take %2").arg(options.port(), path));
        return ExitBoardFailed;
    }
    session.ClosePort();
    return ExitDone;
}
