#include "CliBoard.h"
#include "CliCommands.h"
#include "CliExit.h"
#include "CliOptions.h"
#include "Terminal.h"

#include <functional>
#include <map>

int runSend(Terminal& terminal, const QStringList& args)
{
    CliOptions options(
        QStringLiteral("skyvane-cli send --port P COMMAND"),
        QStringLiteral(
            "Sends one of the window's one-byte commands:\n"
            "  alignment  \"R\"\n"
            "  reset      \"G\" (hardware reset)\n"
            "  save       \"3\" (save to flash)\n"
            "  read       \">\" (read from flash)\n"
            "  stream     \"C\" (start/stop the frame stream; then 500 ms of receiving)"));
    options.addPortOptions();
    if (const int code = options.parse(args, terminal, 1); code >= 0)
        return code;

    using Command = std::function<void(DeviceCommands&)>;
    const std::map<QString, Command> commands = {
        {QStringLiteral("alignment"), [](DeviceCommands& c) { c.Alignment(); }},
        {QStringLiteral("reset"), [](DeviceCommands& c) { c.HardwareReset(); }},
        {QStringLiteral("save"), [](DeviceCommands& c) { c.SaveToFlash(); }},
        {QStringLiteral("read"), [](DeviceCommands& c) { c.ReadFromFlash(); }},
        {QStringLiteral("stream"), [](DeviceCommands& c) { c.StartStopTrame(); }},
    };
    const QString name = options.positional().first();
    const auto command = commands.find(name);
    if (command == commands.end()) {
        terminal.error(QStringLiteral("unknown command \"%1\": alignment, reset, save, read or "
                                      "stream")
                           .arg(name));
        return ExitBadUsage;
    }

    CliBoard board(terminal, options.port());
    if (!board.open(options.speed()))
        return ExitPortTrouble;
    command->second(board.session().commands());
    if (board.session().linkLost())
        return board.reportLost();
    board.session().ClosePort();
    terminal.line(QStringLiteral("%1 sent to %2.").arg(name, options.port()));
    return ExitDone;
}
