#include "common/PublishStretch.h"

#include "common/Figures.h"
#include "protocol/MeasurementStream.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <ctime>

double ProcessCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

Measurement ChangingFrameF(int k)
{
    Measurement m;
    m.kind = 'F';
    for (int i = 0; i < 18; ++i)
        m.values.append(std::sin(0.013f * float(k) + 0.7f * float(i)) * float(1 + i));
    return m;
}

Stretch PublishFor(MeasurementStream& stream, int periodMs, int seconds,
                   const std::function<void()>& beforeEnd)
{
    Stretch stretch;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(periodMs);
    QObject::connect(&tick, &QTimer::timeout,
                     [&] { stream.publish(ChangingFrameF(stretch.frames++)); });
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    QElapsedTimer wall;
    const double cpu0 = ProcessCpuSeconds();
    wall.start();
    tick.start();
    loop.exec();
    tick.stop();
    if (beforeEnd)
        beforeEnd();
    stretch.cpuSeconds = ProcessCpuSeconds() - cpu0;
    stretch.wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    return stretch;
}

std::optional<StretchOptions> ParseStretchOptions(const QCoreApplication& app, const char* program,
                                                  const char* description)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(description));
    parser.addHelpOption();
    parser.addOptions({{"seconds", "Length of each measured stretch (default 10).", "s", "10"},
                       {"frames", "Frames handled back to back (default 200000).", "n", "200000"}});
    parser.process(app);
    StretchOptions options{parser.value("seconds").toInt(), parser.value("frames").toInt()};
    if (options.seconds <= 0 || options.frames <= 0) {
        std::fprintf(stderr, "%s: --seconds and --frames need positive whole numbers\n", program);
        return std::nullopt;
    }
    PrintCommand(QCoreApplication::arguments());
    return options;
}
