// Forwarding cost: the CPU that the UDP JSON forwarding adds while F frames arrive every 33 ms
// and every 2 ms, with a receiver listening (another process reading every datagram) and with
// none (nobody bound to the port): the process CPU over a stretch with the forwarder on the
// measurement stream, minus the same stretch without it; and the CPU of one datagram sent back
// to back.

#include "common/Figures.h"
#include "common/PublishStretch.h"
#include "output/UdpForwarder.h"
#include "protocol/MeasurementStream.h"

#include <QCoreApplication>
#include <QProcess>
#include <QUdpSocket>

#include <cstdio>

namespace {

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

struct Forwarded
{
    Stretch stretch;
    qint64 sent = 0;
};

// Publishes frames every periodMs for the seconds, forwarding to the port (0: no forwarder).
Forwarded publishFor(int periodMs, int seconds, quint16 port)
{
    MeasurementStream stream;
    UdpForwarder forwarder(stream, [](const QString&) {});
    if (port != 0)
        forwarder.start(QHostAddress::LocalHost, port);
    Forwarded run{PublishFor(stream, periodMs, seconds)};
    run.sent = forwarder.sent();
    return run;
}

double cpuPerDatagram(int count, quint16 port)
{
    MeasurementStream stream;
    UdpForwarder forwarder(stream, [](const QString&) {});
    forwarder.start(QHostAddress::LocalHost, port);
    QList<Measurement> frames;
    for (int k = 0; k < 1000; ++k)
        frames.append(ChangingFrameF(k));
    const double cpu0 = ProcessCpuSeconds();
    for (int k = 0; k < count; ++k)
        stream.publish(frames.at(k % frames.size()));
    return (ProcessCpuSeconds() - cpu0) / count;
}

void printCost(int periodMs, int seconds, quint16 port, const char* receiver)
{
    const Stretch without = publishFor(periodMs, seconds, 0).stretch;
    const Forwarded forwarded = publishFor(periodMs, seconds, port);
    const Stretch& with = forwarded.stretch;
    std::printf("%2d ms polling, %s: %5d frames, %5lld datagrams in %.1f s; process CPU %.3f %% "
                "of a core forwarding, %.3f %% without: forwarding adds %.3f %%\n",
                periodMs, receiver, with.frames, static_cast<long long>(forwarded.sent),
                with.wallSeconds, with.percent(), without.percent(),
                with.percent() - without.percent());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const auto options = ParseStretchOptions(app, "bench_forward", "UDP JSON forwarding cost.");
    if (!options)
        return 2;
    const int seconds = options->seconds;
    const int frames = options->frames;

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
