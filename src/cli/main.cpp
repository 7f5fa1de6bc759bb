// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliCommands.h"
#include "CliExit.h"
#include "SkyvaneVersion.h"
#include "Terminal.h"

#include <QCoreApplication>

namespace {

const char* const Usage =
    "Usage: skyvane-cli COMMAND [options]\n"
    "The Skyvane sensor board tool without a window.\n"
    "\n"
    "Commands:\n"
    "  ports                                   list the ports: COM name, device, adapter\n"
    "  record --port P [--speed 115200] [--rate 33ms] [--seconds N] [--out FILE]\n"
    "         [--mirror PATH]                  record the measurements to a CSV file\n"
    "  stream --port P [--rate 33ms] [--seconds N] [--udp HOST:PORT] [--mirror PATH]\n"
    "                                          send them as UDP JSON (PlotJuggler)\n"
    "  constants get --port P [--out FILE]     read the constants table as CSV\n"
    "  constants set --port P --file FILE      send the entries that differ, re-read, report\n"
    "  flash --port P [--reply-timeout 10] [--backup FILE | --no-backup] FILE\n"
    "                                          download a firmware package\n"
    "  flash --dry-run FILE                    check a firmware package, tell what it sends\n"
    "  encode FILE                             write the encoded copy FILE.bin\n"
    "  send --port P COMMAND                   alignment, reset, save, read or stream\n"
    "  allan FILE --column NAME [--phase] [--out FILE]\n"
    "                                          Allan deviation of recorded columns (CSV)\n"
    "  magfit FILE [--json]                    hard and soft iron fit of a recording\n"
    "  doctor --port P [--seconds N] [--find-speed]\n"
    "                                          check the link: rights, holders, latency, round "
    "trip\n"
    "\n"
    "P is a COM name (COM3), a device path (/dev/ttyUSB0) or a board behind a serial server\n"
    "(socket://HOST:PORT); record and stream take --port more than once for several boards.\n"
    "\"skyvane-cli COMMAND --help\" "
    "tells more. Exit codes: 0 done, 1 the board refused or failed, 2 bad usage or a bad\n"
    "file (nothing sent), 3 the port could not be opened or was lost.\n";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skyvane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SKYVANE_VERSION));
    Terminal terminal;

    const QStringList args = app.arguments();
    const QString command = args.value(1);
    if (command.isEmpty()) {
        terminal.line(QString::fromLatin1(Usage).trimmed());
        return ExitBadUsage;
    }
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h")) {
        terminal.out(Usage);
        return ExitDone;
    }
    if (command == QStringLiteral("--version")) {
        terminal.out(QByteArray("skyvane-cli " SKYVANE_VERSION "\n"));
        return ExitDone;
    }
    // The command's own parser sees "skyvane-cli COMMAND" where a program name stands.
    QStringList rest = args.mid(2);
    rest.prepend(QStringLiteral("skyvane-cli ") + command);
    if (command == QStringLiteral("ports"))
        return runPorts(terminal, rest);
    if (command == QStringLiteral("send"))
        return runSend(terminal, rest);
    if (command == QStringLiteral("flash"))
        return runFlash(terminal, rest);
    if (command == QStringLiteral("record"))
        return runRecord(terminal, rest);
    if (command == QStringLiteral("stream"))
        return runStream(terminal, rest);
    if (command == QStringLiteral("constants"))
        return runConstants(terminal, rest);
    if (command == QStringLiteral("encode"))
        return runEncode(terminal, rest);
    if (command == QStringLiteral("allan"))
        return runAllan(terminal, rest);
    if (command == QStringLiteral("magfit"))
        return runMagfit(terminal, rest);
    if (command == QStringLiteral("doctor"))
        return runDoctor(terminal, rest);
    terminal.error(QStringLiteral("unknown command \"%1\" (see --help)").arg(command));
    return ExitBadUsage;
}
