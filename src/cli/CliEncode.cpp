#include "CliCommands.h"
#include "CliExit.h"
#include "CliOptions.h"
#include "Terminal.h"
#include "firmware/BinEncoding.h"

int runEncode(Terminal& terminal, const QStringList& args)
{
    CliOptions options(QStringLiteral("skyvane-cli encode FILE"),
                       QStringLiteral("Writes the encoded copy of FILE as the window's \"Generate "
                                      "bin file\" does, to FILE.bin next to it, and prints its "
                                      "path."));
    if (const int code = options.parse(args, terminal, 1); code >= 0)
        return code;
    const QString path = options.positional().first();
    switch (WriteBinFile(path)) {
    case BinWrite::Written:
        terminal.out((BinPathFor(path) + QLatin1Char('\n')).toUtf8());
        return ExitDone;
    case BinWrite::InputUnreadable:
        terminal.error(QStringLiteral("HEX file %1 cannot be read").arg(path));
        return ExitBadUsage;
    case BinWrite::OutputUnwritable:
        break;
    }
    terminal.error(QStringLiteral("bin file %1 cannot be written").arg(BinPathFor(path)));
    return ExitBadUsage;
}
