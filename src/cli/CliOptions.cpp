#include "CliOptions.h"

#include "CliExit.h"
#include "Terminal.h"

CliOptions::CliOptions(const QString& usage, const QString& description)
    : m_usage(usage), m_description(description)
{
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.addHelpOption();
}

void CliOptions::addPortOptions()
{
    m_hasPort = true;
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("The board's port: a COM name (COM3), a device path, or "
                                     "socket://HOST:PORT for a board behind a serial server."),
                      QStringLiteral("P")});
    parser.addOption({QStringLiteral("speed"),
                      QStringLiteral("Line speed in bits per second (default 115200)."),
                      QStringLiteral("S"), QStringLiteral("115200")});
}

int CliOptions::parse(const QStringList& args, Terminal& terminal, int positionals)
{
    if (!parser.parse(args)) {
        terminal.error(parser.errorText() + QStringLiteral(" (see --help)"));
        return ExitBadUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        terminal.out(helpText().toLocal8Bit());
        return ExitDone;
    }
    const bool portWaived = !m_portWaivedBy.isEmpty() && parser.isSet(m_portWaivedBy);
    if (m_hasPort && !portWaived) {
        if (port().isEmpty()) {
            terminal.error(QStringLiteral("--port is missing (see --help)"));
            return ExitBadUsage;
        }
        bool ok = false;
        const int baud = speed().toInt(&ok);
        if (!ok || baud <= 0) {
            terminal.error(QStringLiteral("--speed needs a number of bits per second, not \"%1\"")
                               .arg(speed()));
            return ExitBadUsage;
        }
    }
    if (positional().size() != positionals) {
        terminal.error(positional().size() > positionals
                           ? QStringLiteral("unexpected argument \"%1\" (see --help)")
                                 .arg(positional().value(positionals))
                           : QStringLiteral("an argument is missing (see --help)"));
        return ExitBadUsage;
    }
    return -1;
}

QString CliOptions::helpText() const
{
    // Qt's own usage line names the binary and no command; the options part is kept.
    const QString qtHelp = parser.helpText();
    const qsizetype options = qtHelp.indexOf(QStringLiteral("Options:"));
    return QStringLiteral("Usage: ") + m_usage + QStringLiteral("\n") + m_description +
           QStringLiteral("\n\n") + (options >= 0 ? qtHelp.mid(options) : QString());
}
