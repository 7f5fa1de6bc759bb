#include "BareExchange.h"

#include "support/BoardProcess.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <ctime>
#include <unistd.h>

namespace {

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// A whole F frame as the virtual board sends it.
constexpr qint64 FrameBytes = 74;

} // namespace

ExchangeFloor BareExchange(const QString& boardSim, const QStringList& boardArguments, int pollMs,
                           int warmUpSeconds, int seconds)
{
    ExchangeFloor floor;
    BoardProcess board;
    if (!board.start(boardArguments, BoardProcess::OpenPort, boardSim)) {
        floor.error = board.error();
        return floor;
    }
    const int fd = board.portDescriptor();
    qint64 bytes = 0;
    QSocketNotifier replies(fd, QSocketNotifier::Read);
    QObject::connect(&replies, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            bytes += n;
    });
    QTimer poll;
    poll.setInterval(pollMs);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (::write(fd, "F", 1) != 1)
            floor.error = QStringLiteral("the request could not be written");
    });
    poll.start();

    QEventLoop loop;
    QTimer::singleShot(warmUpSeconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const qint64 bytesBefore = bytes;
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = processCpuSeconds() - cpuBefore;
    poll.stop();
    if (bytes == bytesBefore && floor.error.isEmpty())
        floor.error = QStringLiteral("the board did not answer");
    if (!floor.error.isEmpty())
        return floor;
    floor.ok = true;
    floor.percent = 100.0 * cpu / wallSeconds;
    floor.repliesPerSecond = double(bytes - bytesBefore) / double(FrameBytes) / wallSeconds;
    return floor;
}
