// Forwarding cost: the CPU that the UDP JSON forwarding adds while F frames arrive every 33 ms
// and every 2 ms, with a receiver listening (another process reading every datagram) and with
// none (nobody bound to the port): the process CPU over a stretch with the forwarder on the
// measurement stream, minus the same stretch without it; and the CPU of one datagram sent back
// to back.

#include "common/Figures.h"
#include "output/UdpForwarder.h"
#include "protocol/MeasurementStream.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QUdpSocket>

#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

Measurement frameF(int k)
{
    Measurement m;
    m.kind = 'F';
    for (int i = 0; i < 18; ++i)
        m.values.append(std::sin(0.013f * float(k) + 0.7f * float(i)) * float(1 + i));
    return m;
}

// A receiver in its own process, reading every datagram: its port, or 0.
struct Receiver
{
    QProcess process;
    quint16 port = 0;
    Receiver()
    {
        process.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral("-c"),
                       QStringLiteral("import socket\n"
                                      "s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)\n"
                                      "s.bind(('127.0.0.1', 0))\n"
                                      "print(s.getsockname()[1], flush=True)\n"
                                      "while True:\n"
                                      "    s.recv(4096)\n")});
        if (process.waitForReadyRead(10000))
            port = quint16(process.readLine().trimmed().toUInt());
    }
    ~Receiver()
    {
        process.kill();
        process.waitForFinished(3000);
    }
};

// A port nobody is bound to.
quint16 unusedPort()
{
    QUdpSocket spare;
    spare.bind(QHostAddress::LocalHost, 0);
    return spare.localPort();
}

struct Stretch
{
    double wallSeconds = 0;
    double cpuSeconds = 0;
    int frames = 0;
    qint64 sent = 0;
    double percent() const { return 100.0 * cpuSeconds / wallSeconds; }
};

// Publishes frames every periodMs for the seconds, forwarding to the port (0: no forwarder).
Stretch publishFor(int periodMs, int seconds, quint16 port)
{
    MeasurementStream stream;
    UdpForwarder forwarder(stream, [](const QString&) {});
    if (port != 0)
        forwarder.start(QHostAddress::LocalHost, port);
    Stretch stretch;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(periodMs);
    QObject::connect(&tick, &QTimer::timeout, [&] { stream.publish(frameF(stretch.frames++)); });
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    QElapsedTimer wall;
    const double cpu0 = processCpuSeconds();
    wall.start();
    tick.start();
    loop.exec();
    tick.stop();
    stretch.cpuSeconds = processCpuSeconds() - cpu0;
    stretch.wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    stretch.sent = forwarder.sent();
    return stretch;
}

double cpuPerDatagram(int count, quint16 port)
{
    MeasurementStream stream;
    UdpForwarder forwarder(stream, [](const QString&) {});
    forwarder.start(QHostAddress::LocalHost, port);
    QList<Measurement> frames;
    for (int k = 0; k < 1000; ++k)
        frames.append(frameF(k));
    const double cpu0 = processCpuSeconds();
    for (int k = 0; k < count; ++k)
        stream.publish(frames.at(k % frames.size()));
    return (processCpuSeconds() - cpu0) / count;
}

void printCost(int periodMs, int seconds, quint16 port, const char* receiver)
{
    const Stretch without = publishFor(periodMs, seconds, 0);
    const Stretch with = publishFor(periodMs, seconds, port);
    std::printf("%2d ms polling, %s: %5d frames, %5lld datagrams in %.1f s; process CPU %.3f %% "
                "of a core forwarding, %.3f %% without: forwarding adds %.3f %%\n",
                periodMs, receiver, with.frames, static_cast<long long>(with.sent),
                with.wallSeconds, with.percent(), without.percent(),
                with.percent() - without.percent());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("UDP JSON forwarding cost.");
    parser.addHelpOption();
    parser.addOptions({{"seconds", "Length of each measured stretch (default 10).", "s", "10"},
                       {"frames", "Datagrams sent back to back (default 200000).", "n", "200000"}});
    parser.process(app);
    const int seconds = parser.value("seconds").toInt();
    const int frames = parser.value("frames").toInt();
    if (seconds <= 0 || frames <= 0) {
        std::fprintf(stderr, "bench_forward: --seconds and --frames need positive whole numbers\n");
        return 2;
    }
    PrintCommand(QCoreApplication::arguments());

    Receiver receiver;
    if (receiver.port == 0)
        std::printf("no receiver process (/usr/bin/python3): only the runs with none\n");
    const quint16 none = unusedPort();
    if (receiver.port != 0)
        std::printf("back to back, receiver listening: %d F frames, %.2f us of CPU per "
                    "datagram\n",
                    frames, 1e6 * cpuPerDatagram(frames, receiver.port));
    std::printf("back to back, no receiver: %d F frames, %.2f us of CPU per datagram\n", frames,
                1e6 * cpuPerDatagram(frames, none));
    for (int period : {33, 2}) {
        if (receiver.port != 0)
            printCost(period, seconds, receiver.port, "receiver listening");
        printCost(period, seconds, none, "no receiver       ");
    }
    return 0;
}
