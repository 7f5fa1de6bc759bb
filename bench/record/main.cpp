// Recording and replay figures:
//  (a) CPU share that recording adds while F frames arrive every 33 ms and every 2 ms: the
//      process CPU over a stretch with the recorder subscribed to the measurement stream,
//      minus the same stretch without it, plus the CPU of writing frames back to back;
//  (b) replay timing: 100 frames recorded 33 ms apart, played at 1x and at 4x.

#include "common/Figures.h"
#include "common/PublishStretch.h"
#include "protocol/MeasurementStream.h"
#include "record/Recorder.h"
#include "record/Replayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Publishes frames every `periodMs` for `seconds`, with or without a recorder listening.
Stretch publishFor(int periodMs, int seconds, const QString& path)
{
    MeasurementStream stream;
    Recorder recorder([](const QString&) {});
    if (!path.isEmpty()) {
        recorder.start(path, {QDateTime::currentDateTime(), "COM1", 115200, periodMs});
        stream.subscribe([&recorder](const Measurement& m) { recorder.add(m); });
    }
    return PublishFor(stream, periodMs, seconds, [&recorder] { recorder.stop(); });
}

// CPU seconds per frame for `count` frames recorded back to back (rows and file writes).
double cpuPerFrame(int count, const QString& path)
{
    QList<Measurement> frames;
    for (int k = 0; k < 1000; ++k)
        frames.append(ChangingFrameF(k));
    Recorder recorder([](const QString&) {});
    recorder.start(path, {QDateTime::currentDateTime(), "COM1", 115200, 2});
    const double cpu0 = ProcessCpuSeconds();
    for (int k = 0; k < count; ++k)
        recorder.add(frames.at(k % frames.size()));
    recorder.stop();
    return (ProcessCpuSeconds() - cpu0) / count;
}

void printCost(int periodMs, int seconds, const QTemporaryDir& dir, double perFrame)
{
    const Stretch without = publishFor(periodMs, seconds, QString());
    const Stretch with = publishFor(periodMs, seconds, dir.filePath("cost.csv"));
    const double rate = with.frames / with.wallSeconds;
    std::printf("(a) %2d ms polling: %5d frames in %.1f s; process CPU %.3f %% of a core with the "
                "recorder, %.3f %% without: recording adds %.3f %% (back-to-back estimate "
                "%.3f %%)\n",
                periodMs, with.frames, with.wallSeconds, with.percent(), without.percent(),
                with.percent() - without.percent(), 100.0 * perFrame * rate);
    std::fflush(stdout);
}

void printReplay(double speed, double expectedSeconds)
{
    Recording recording;
    for (int i = 0; i < 100; ++i)
        recording.frames.append({qint64(i) * 33000, ChangingFrameF(i)});
    Replayer replayer;
    int played = 0;
    replayer.setOutput([&played](char, const QByteArray&) { ++played; });
    replayer.load(recording);
    replayer.setSpeed(speed);
    QEventLoop loop;
    QObject::connect(&replayer, &Replayer::finished, &loop, &QEventLoop::quit);
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = ProcessCpuSeconds();
    replayer.play();
    loop.exec();
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = ProcessCpuSeconds() - cpu0;
    std::printf("(b) 100 frames 33 ms apart at %gx: %d played in %.3f s (first to last frame "
                "%.3f s expected: %+.2f %%; against %.3f s: %+.2f %%), CPU %.1f ms\n",
                speed, played, seconds, 3.267 / speed, 100.0 * (seconds / (3.267 / speed) - 1),
                expectedSeconds, 100.0 * (seconds / expectedSeconds - 1), 1000.0 * cpu);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const auto options =
        ParseStretchOptions(app, "bench_record", "Recording cost and replay timing.");
    if (!options)
        return 2;
    const int seconds = options->seconds;
    const int frames = options->frames;

    QTemporaryDir dir;
    const double perFrame = cpuPerFrame(frames, dir.filePath("burst.csv"));
    std::printf("(a) back to back: %d F frames of 18 floats, %.2f us of CPU per frame\n", frames,
                1e6 * perFrame);
    printCost(33, seconds, dir, perFrame);
    printCost(2, seconds, dir, perFrame);
    printReplay(1.0, 3.3);
    printReplay(4.0, 3.3 / 4);
    return 0;
}
