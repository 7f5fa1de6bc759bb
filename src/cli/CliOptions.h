#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

class Terminal;

// The options every command shares and the parsing of one command's arguments.
class CliOptions
{
public:
    // usage: the first help line after "Usage: " ("skyvane-cli send --port P COMMAND").
    CliOptions(const QString& usage, const QString& description);

    QCommandLineParser parser;

    // --port P and --speed S (default 115200).
    void addPortOptions();
    void addOption(const QCommandLineOption& option) { parser.addOption(option); }
    // With this option set, --port is not needed (nothing is opened).
    void portNotNeededWith(const QString& option) { m_portWaivedBy = option; }

    // Parses args (the first element stands for the program). Returns -1 to go on, 0 after
    // the help was printed, 2 after an error line (unknown option, missing --port, a bad
    // speed, not exactly positionals arguments).
    int parse(const QStringList& args, Terminal& terminal, int positionals);
    QString helpText() const;

    QString port() const { return parser.value(QStringLiteral("port")); }
    // Every --port given, in order.
    QStringList ports() const { return parser.values(QStringLiteral("port")); }
    QString speed() const { return parser.value(QStringLiteral("speed")); }
    QStringList positional() const { return parser.positionalArguments(); }

private:
    QString m_usage;
    QString m_description;
    bool m_hasPort = false;
    QString m_portWaivedBy;
};
