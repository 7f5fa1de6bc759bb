#include "CliBoard.h"
#include "CliCommands.h"
#include "CliExit.h"
#include "CliOptions.h"
#include "Terminal.h"
#include "constants/ConstantsImport.h"
#include "constants/ConstantsTableFile.h"
#include "core/FileWrite.h"
#include "core/Pause.h"

#include <QDateTime>
#include <QFile>

#include <memory>

namespace {

std::unique_ptr<CliOptions> getOptions()
{
    auto options = std::make_unique<CliOptions>(
        QStringLiteral("skyvane-cli constants get --port P [--out FILE]"),
        QStringLiteral("Reads the board's constants table (\"[\") and writes it in the window's "
                       "Export format (CSV) to FILE or to standard output."));
    options->addPortOptions();
    options->addOption(
        {QStringLiteral("out"), QStringLiteral("The table file."), QStringLiteral("FILE")});
    return options;
}

std::unique_ptr<CliOptions> setOptions()
{
    auto options = std::make_unique<CliOptions>(
        QStringLiteral("skyvane-cli constants set --port P --file FILE"),
        QStringLiteral("Reads the table file as the window's Import does (strictly), reads the "
                       "board's table, sends the entries that differ, reads the table again "
                       "and reports. Exits 1 when an entry does not match after the re-read."));
    options->addPortOptions();
    options->addOption({QStringLiteral("file"), QStringLiteral("The table file to send."),
                        QStringLiteral("FILE")});
    return options;
}

// The options of "constants get" or "constants set"; null after an error line.
std::unique_ptr<CliOptions> actionOptions(Terminal& terminal, const QString& action)
{
    if (action == QStringLiteral("get"))
        return getOptions();
    if (action == QStringLiteral("set"))
        return setOptions();
    terminal.error(QStringLiteral("constants needs \"get\" or \"set\" (see --help)"));
    return nullptr;
}

// Parses "constants ACTION ..."; -1 to go on, otherwise the exit code.
int parseAction(Terminal& terminal, const QStringList& args, std::unique_ptr<CliOptions>& options)
{
    const QString action = args.value(1);
    if (action == QStringLiteral("--help") || action == QStringLiteral("-h")) {
        terminal.out(getOptions()->helpText().toLocal8Bit() + "\n" +
                     setOptions()->helpText().toLocal8Bit());
        return ExitDone;
    }
    options = actionOptions(terminal, action);
    if (!options)
        return ExitBadUsage;
    QStringList rest = args.mid(2);
    rest.prepend(args.first() + QLatin1Char(' ') + action);
    return options->parse(rest, terminal, 0);
}

// How long a table reply may take; the window's list fills whenever it comes, the tool has to
// stop waiting some time.
constexpr int TableWaitMs = 3000;

// The window's "Get Constants" over the session: "[" and the table reply that the dispatch
// hands on.
class TableReader
{
public:
    explicit TableReader(CliBoard& board) : m_board(board)
    {
        m_listening = QObject::connect(&board.session().dispatch(), &FrameDispatch::constantsFrame,
                                       [this](const QByteArray& payload) {
                                           m_table = ConstantsTableFile::tableOf(payload);
                                           m_arrived = true;
                                           m_board.stop();
                                       });
    }
    ~TableReader() { QObject::disconnect(m_listening); }
    TableReader(const TableReader&) = delete;
    TableReader& operator=(const TableReader&) = delete;

    // Sends "[" and waits for the reply; false when none came in time.
    bool read()
    {
        m_arrived = false;
        m_table.clear();
        m_board.session().link().SendCommand(QByteArrayLiteral("["));
        if (!m_arrived)
            m_board.run(TableWaitMs);
        return m_arrived;
    }
    const QList<float>& table() const { return m_table; }

private:
    CliBoard& m_board;
    QMetaObject::Connection m_listening;
    QList<float> m_table;
    bool m_arrived = false;
};

int noTable(Terminal& terminal, CliBoard& board)
{
    if (board.session().linkLost())
        return board.reportLost();
    terminal.error(QStringLiteral("the board at %1 sent no constants table within %2 s")
                       .arg(board.port())
                       .arg(TableWaitMs / 1000));
    return ExitBoardFailed;
}

// Opens the board's port and reads its table: ExitDone, or the exit code of what failed.
int openAndRead(Terminal& terminal, const CliOptions& options, CliBoard& board, TableReader& reader)
{
    if (!board.open(options.speed()))
        return ExitPortTrouble;
    return reader.read() ? ExitDone : noTable(terminal, board);
}

int getTable(Terminal& terminal, const CliOptions& options)
{
    const QString out = options.parser.value(QStringLiteral("out"));
    CliBoard board(terminal, options.port());
    TableReader reader(board);
    if (const int failed = openAndRead(terminal, options, board, reader); failed != ExitDone)
        return failed;
    board.session().ClosePort();

    const QByteArray text = ConstantsTableFile::exportTable(
        reader.table(), QDateTime::currentDateTime(), options.port());
    if (out.isEmpty()) {
        terminal.out(text);
        return ExitDone;
    }
    if (const QString failure = WriteFileAtomically(out, text); !failure.isEmpty()) {
        terminal.error(QStringLiteral("cannot write %1: %2").arg(out, failure));
        return ExitBadUsage;
    }
    terminal.line(
        QStringLiteral("%1 constants written to %2.").arg(reader.table().size()).arg(out));
    return ExitDone;
}

int setTable(Terminal& terminal, const CliOptions& options)
{
    const QString path = options.parser.value(QStringLiteral("file"));
    if (path.isEmpty()) {
        terminal.error(QStringLiteral("--file is missing (see --help)"));
        return ExitBadUsage;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        terminal.error(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return ExitBadUsage;
    }
    const QByteArray content = file.readAll();
    const ConstantsTableFile::Parsed parsed = ConstantsTableFile::parse(content);
    if (!parsed.ok) {
        terminal.error(QStringLiteral("%1: %2 Nothing was sent.").arg(path, parsed.error));
        return ExitBadUsage;
    }

    CliBoard board(terminal, options.port());
    TableReader reader(board);
    if (const int failed = openAndRead(terminal, options, board, reader); failed != ExitDone)
        return failed;
    const ConstantsTableFile::Compared before =
        ConstantsTableFile::diff(reader.table(), parsed.table);
    if (!before.ok) {
        terminal.error(QStringLiteral("%1: %2 Nothing was sent.").arg(path, before.error));
        return ExitBadUsage;
    }

    bool reread = true;
    ConstantsImport::Steps steps;
    steps.send = [&board](const QByteArray& bytes) { board.session().link().SendCommand(bytes); };
    steps.pause = [](int ms) { PauseMs(ms); };
    steps.requestTable = [&] { reread = reader.read(); };
    steps.boardTable = [&reader] { return reader.table(); };
    steps.confirm = [](const QList<ConstantDifference>&) { return true; };
    steps.log = [&terminal](const QString& text) { terminal.line(text); };
    ConstantsImport::importTable(content, steps);
    if (board.session().linkLost())
        return board.reportLost();
    if (!reread)
        return noTable(terminal, board);
    board.session().ClosePort();
    const ConstantsTableFile::Compared after =
        ConstantsTableFile::diff(reader.table(), parsed.table);
    return after.ok && after.differences.isEmpty() ? ExitDone : ExitBoardFailed;
}

} // namespace

int runConstants(Terminal& terminal, const QStringList& args)
{
    std::unique_ptr<CliOptions> options;
    if (const int code = parseAction(terminal, args, options); code >= 0)
        return code;
    return args.value(1) == QStringLiteral("get") ? getTable(terminal, *options)
                                                  : setTable(terminal, *options);
}
