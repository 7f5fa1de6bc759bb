#include "CliBoards.h"

#include "CliExit.h"
#include "CliOptions.h"
#include "SignalPipe.h"
#include "Terminal.h"
#include "link/NetworkPort.h"
#include "link/RateText.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstring>

void CliBoards::addOptions(CliOptions& options)
{
    options.addPortOptions();
    options.addOption({QStringLiteral("rate"),
                       QStringLiteral("Interval of the data request (default 33ms; 0ms: none)."),
                       QStringLiteral("RATE"), QStringLiteral("33ms")});
    options.addOption({QStringLiteral("seconds"),
                       QStringLiteral("Stop after N seconds (default: run until Ctrl+C)."),
                       QStringLiteral("N")});
    options.addOption(
        {QStringLiteral("mirror"),
         QStringLiteral("Mirror the port's raw bytes on a pseudo-terminal linked at PATH (Linux), "
                        "or on a local TCP port with tcp:PORT or tcp:ADDRESS:PORT (once per "
                        "--port, in the same order)."),
         QStringLiteral("PATH")});
}

int CliBoards::parse(Terminal& terminal, const CliOptions& options, Polling& polling)
{
    const QString rateText = options.parser.value(QStringLiteral("rate"));
    polling.rateMs = RateMilliseconds(rateText);
    if (polling.rateMs < 0) {
        terminal.error(
            QStringLiteral("--rate needs milliseconds from 0 to 65535 (\"33ms\"), not \"%1\"")
                .arg(rateText));
        return ExitBadUsage;
    }
    polling.seconds = 0;
    if (options.parser.isSet(QStringLiteral("seconds"))) {
        bool ok = false;
        polling.seconds = options.parser.value(QStringLiteral("seconds")).toDouble(&ok);
        if (!ok || !(polling.seconds > 0) || polling.seconds > 2e6) {
            terminal.error(QStringLiteral("--seconds needs a positive number, not \"%1\"")
                               .arg(options.parser.value(QStringLiteral("seconds"))));
            return ExitBadUsage;
        }
    }
    polling.mirrors = options.parser.values(QStringLiteral("mirror"));
    QStringList ports = options.ports();
    if (!polling.mirrors.isEmpty() && polling.mirrors.size() != ports.size()) {
        terminal.error(QStringLiteral("--mirror is needed once per --port (%1 ports, %2 mirrors)")
                           .arg(ports.size())
                           .arg(polling.mirrors.size()));
        return ExitBadUsage;
    }
    if (ports.removeDuplicates() > 0) {
        terminal.error(QStringLiteral("a port is named twice"));
        return ExitBadUsage;
    }
    return -1;
}

QString CliBoards::fileNameOf(const QString& port)
{
    if (IsNetworkPortName(port)) {
        // "socket://10.0.0.7:4001" gives "10.0.0.7-4001": no slash, and no colon for Windows.
        static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]+"));
        QString name = port.trimmed().mid(int(std::strlen("socket://")));
        return name.replace(unsafe, QStringLiteral("-"));
    }
    return port.startsWith(QLatin1Char('/')) ? QFileInfo(port).fileName() : port;
}

int CliBoards::run(Terminal& terminal, CliOptions& options, const QStringList& args,
                   const Command& command)
{
    if (const int code = options.parse(args, terminal, 0); code >= 0)
        return code;
    Polling polling;
    if (const int code = parse(terminal, options, polling); code >= 0)
        return code;
    if (const int code = command.prepare(options, polling); code >= 0)
        return code;

    CliBoards boards(terminal, options.ports(), command);
    if (const int failed = boards.open(options.speed(), polling.mirrors); failed >= 0)
        return failed;
    boards.poll(polling);
    boards.finish();
    boards.stopOutputs();
    return boards.anyLost() ? ExitPortTrouble : ExitDone;
}

CliBoards::CliBoards(Terminal& terminal, const QStringList& ports, const Command& command)
    : m_command(command)
{
    for (const QString& port : ports) {
        CliBoard::Setup setup;
        setup.named = ports.size() > 1;
        auto board = std::make_unique<CliBoard>(terminal, port, setup);
        CliBoard* b = board.get();
        const std::size_t i = m_boards.size();
        QObject::connect(b, &CliBoard::linkLost, b, [this, b, i] {
            if (i < m_started)
                m_command.stop(i);
            b->reportLost();
        });
        m_boards.push_back(std::move(board));
    }
}

int CliBoards::open(const QString& speed, const QStringList& mirrors)
{
    int failed = -1;
    for (std::size_t i = 0; i < m_boards.size() && failed < 0; ++i) {
        CliBoard& board = *m_boards[i];
        if (!board.open(speed))
            failed = ExitPortTrouble;
        else if (i < std::size_t(mirrors.size()) && !board.openMirror(mirrors[qsizetype(i)]))
            failed = ExitBadUsage;
    }
    // The outputs start once every board is open, so a board that cannot be opened leaves no
    // output behind.
    while (failed < 0 && m_started < m_boards.size()) {
        if (m_command.start(*this, *m_boards[m_started], m_started))
            ++m_started;
        else
            failed = ExitBadUsage;
    }
    if (failed < 0)
        return -1;
    // What started is stopped while its board is still there to take its line.
    stopOutputs();
    finish();
    return failed;
}

void CliBoards::poll(const Polling& polling)
{
    QEventLoop loop;
    for (auto& board : m_boards) {
        board->startPolling(polling.rateMs);
        QObject::connect(board.get(), &CliBoard::linkLost, &loop, [this, &loop] {
            if (allLost())
                loop.quit();
        });
    }
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, &loop, [this] {
        for (std::size_t i = 0; i < m_boards.size(); ++i) {
            CliBoard& board = *m_boards[i];
            if (board.lost())
                continue;
            if (const QString text = m_command.report(board, i); !text.isEmpty())
                board.line(text);
        }
    });
    report.start(1000);
    SignalPipe interrupts;
    QObject::connect(&interrupts, &SignalPipe::interrupted, &loop, &QEventLoop::quit);
    QTimer end;
    end.setSingleShot(true);
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (polling.seconds > 0)
        end.start(std::chrono::milliseconds(qint64(polling.seconds * 1000)));
    m_loop = &loop;
    if (!allLost())
        loop.exec();
    m_loop = nullptr;
    report.stop();
}

void CliBoards::stop()
{
    if (m_loop)
        m_loop->quit();
}

void CliBoards::stopOutputs()
{
    for (std::size_t i = 0; i < m_started; ++i)
        m_command.stop(i);
}

void CliBoards::finish()
{
    for (auto& board : m_boards)
        board->finish();
}

bool CliBoards::anyLost() const
{
    return std::any_of(m_boards.begin(), m_boards.end(), [](const auto& b) { return b->lost(); });
}

bool CliBoards::allLost() const
{
    return std::all_of(m_boards.begin(), m_boards.end(), [](const auto& b) { return b->lost(); });
}
