#include "CliBoards.h"

#include "CliExit.h"
#include "CliOptions.h"
#include "SignalPipe.h"
#include "Terminal.h"
#include "link/RateText.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <chrono>

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
         QStringLiteral("Mirror the port's raw bytes on a pseudo-terminal linked at PATH (once "
                        "per --port, in the same order)."),
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
    return port.startsWith(QLatin1Char('/')) ? QFileInfo(port).fileName() : port;
}

CliBoards::CliBoards(Terminal& terminal, const QStringList& ports) : m_terminal(terminal)
{
    for (const QString& port : ports) {
        auto board = std::make_unique<CliBoard>(terminal, port, ports.size() > 1);
        CliBoard* b = board.get();
        QObject::connect(b, &CliBoard::linkLost, b, [this, b] {
            if (m_onLost)
                m_onLost(*b);
            b->reportLost();
        });
        m_boards.push_back(std::move(board));
    }
}

int CliBoards::open(const QString& speed, const QStringList& mirrors)
{
    for (std::size_t i = 0; i < m_boards.size(); ++i) {
        CliBoard& board = *m_boards[i];
        int failed = -1;
        if (!board.open(speed))
            failed = ExitPortTrouble;
        else if (i < std::size_t(mirrors.size()) && !board.openMirror(mirrors[qsizetype(i)]))
            failed = ExitBadUsage;
        if (failed >= 0) {
            finish();
            return failed;
        }
    }
    return -1;
}

void CliBoards::run(const Polling& polling, const std::function<void()>& everySecond)
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
    QObject::connect(&report, &QTimer::timeout, &loop, everySecond);
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
