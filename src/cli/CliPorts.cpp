#include "CliCommands.h"
#include "CliExit.h"
#include "CliOptions.h"
#include "Terminal.h"
#include "link/PortNames.h"

int runPorts(Terminal& terminal, const QStringList& args)
{
    CliOptions options(QStringLiteral("skyvane-cli ports"),
                       QStringLiteral("Lists the ports the window's port box offers, one a line: "
                                      "COM name, device and adapter description, tab-separated."));
    if (const int code = options.parse(args, terminal, 0); code >= 0)
        return code;

    QByteArray text;
    for (const PortEntry& entry : PortList()) {
        const QString device = DeviceForComNumber(ComNumberOfName(entry.name).number);
        // The entry's tooltip is the device, then " - " and the description when known.
        QString description = entry.tooltip.mid(device.size());
        if (description.startsWith(QStringLiteral(" - ")))
            description = description.mid(3);
        text +=
            (entry.name + QLatin1Char('\t') + device + QLatin1Char('\t') + description).toUtf8() +
            '\n';
    }
    terminal.out(text);
    return ExitDone;
}
