// Plots window figures: the CPU share of the process (percent of one core) while a measurement
// stream carries synthetic F frames every 33 ms and every 2 ms, with no plots window, with it
// hidden and with it shown; the redraws per second against the screen's refresh; and how late
// a 20 ms timer runs (the window's responsiveness). With --screenshot it also saves a picture
// of the window with moving curves and a gap. Run it under an X server (xvfb-run -a).

#include "common/Figures.h"
#include "common/ProcStat.h"
#include "plots/PlotsWindow.h"
#include "protocol/MeasurementStream.h"

#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// An F frame whose values move with the time t (seconds).
Measurement syntheticF(double t)
{
    Measurement m;
    m.kind = 'F';
    m.values = QList<float>(18, 0.0f);
    m.phi = float(0.5 * std::sin(0.9 * t));
    m.theta = float(0.25 * std::sin(0.37 * t + 1.0));
    m.psi = float(std::remainder(0.4 * t, 2 * M_PI));
    m.values[0] = m.phi;
    m.values[1] = m.theta;
    m.values[2] = m.psi;
    for (int k = 3; k < 13; ++k)
        m.values[k] = float(std::sin(0.2 * k * t) * k);
    m.values[13] = float(0.45 * std::cos(0.6 * t));
    m.values[14] = float(0.45 * std::sin(0.6 * t));
    m.values[15] = float(0.3 + 0.05 * std::sin(2.1 * t));
    m.values[17] = float(std::fmod(t, 3.0));
    return m;
}

void sleepFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Phase
{
    double cpuPercent = 0;
    double framesPerSecond = 0;
    double redrawsPerSecond = 0;
    double lateP50 = 0, lateP99 = 0, lateMax = 0; // ms
};

// Feeds the stream every rateMs for the given seconds (after one second of warm-up) and
// measures; window may be null.
Phase measure(MeasurementStream& stream, PlotsWindow* window, int rateMs, int seconds)
{
    QElapsedTimer clock;
    clock.start();
    qint64 frames = 0;
    QTimer feeder;
    feeder.setTimerType(Qt::PreciseTimer);
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        stream.publish(syntheticF(clock.nsecsElapsed() / 1e9));
        ++frames;
    });
    feeder.start(rateMs);
    sleepFor(1000);

    std::vector<double> late;
    QElapsedTimer probeClock;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        late.push_back(probeClock.nsecsElapsed() / 1e6 - 20.0);
        probeClock.restart();
    });

    const qint64 pid = QCoreApplication::applicationPid();
    const double cpu0 = ProcessCpuSeconds(pid);
    const qint64 frames0 = frames;
    const qint64 redraws0 = window ? window->redrawCount() : 0;
    QElapsedTimer wall;
    wall.start();
    probeClock.start();
    probe.start(20);
    sleepFor(seconds * 1000);
    probe.stop();
    const double elapsed = wall.nsecsElapsed() / 1e9;
    feeder.stop();

    Phase p;
    p.cpuPercent = 100.0 * (ProcessCpuSeconds(pid) - cpu0) / elapsed;
    p.framesPerSecond = (frames - frames0) / elapsed;
    p.redrawsPerSecond = window ? (window->redrawCount() - redraws0) / elapsed : 0;
    p.lateP50 = Percentile(late, 50);
    p.lateP99 = Percentile(late, 99);
    p.lateMax = Percentile(late, 100);
    return p;
}

void printPhase(const char* what, int rateMs, const Phase& p)
{
    std::printf("%-26s rate %2d ms: %6.1f frames/s  cpu %5.2f %% of a core  redraws %5.1f/s  "
                "20 ms timer late p50 %.2f p99 %.2f max %.2f ms\n",
                what, rateMs, p.framesPerSecond, p.cpuPercent, p.redrawsPerSecond, p.lateP50,
                p.lateP99, p.lateMax);
    std::fflush(stdout);
}

// Frames for six seconds, two seconds of silence, four more, then the mouse over the angles.
void screenshot(MeasurementStream& stream, PlotsWindow& window, const QString& path)
{
    for (QCheckBox* c : window.findChildren<QCheckBox*>())
        if (c->text() == QStringLiteral("F4") || c->text() == QStringLiteral("F7"))
            c->setChecked(true);
    QElapsedTimer clock;
    clock.start();
    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout,
                     [&] { stream.publish(syntheticF(clock.nsecsElapsed() / 1e9)); });
    feeder.start(33);
    sleepFor(6000);
    feeder.stop();
    sleepFor(2000);
    feeder.start(33);
    sleepFor(4000);
    QChartView* first = window.findChildren<QChartView*>().value(0);
    if (first) {
        const QRectF area = first->chart()->plotArea();
        const QPointF at(area.left() + area.width() * 0.8, area.center().y());
        const QPoint inViewport = first->mapFromScene(first->chart()->mapToScene(at));
        QMouseEvent move(QEvent::MouseMove, inViewport, first->viewport()->mapToGlobal(inViewport),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(first->viewport(), &move);
    }
    sleepFor(100);
    feeder.stop();
    const bool saved = window.grab().save(path);
    std::printf("screenshot %s: %s\n", qPrintable(path), saved ? "saved" : "NOT saved");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("Seconds measured per phase."),
                      QStringLiteral("n"), QStringLiteral("10")});
    parser.addOption({QStringLiteral("screenshot"),
                      QStringLiteral("Save a picture of the window to this PNG file."),
                      QStringLiteral("file")});
    parser.process(app);
    if (!HasDisplay()) {
        std::fprintf(stderr, "bench_plots needs an X display (run it under xvfb-run -a)\n");
        return 1;
    }
    PrintCommand(QCoreApplication::arguments());
    const int seconds = qMax(1, parser.value(QStringLiteral("seconds")).toInt());

    MeasurementStream stream;
    if (parser.isSet(QStringLiteral("screenshot"))) {
        PlotsWindow window(stream);
        window.show();
        screenshot(stream, window, parser.value(QStringLiteral("screenshot")));
        return 0;
    }

    const qreal refresh = app.primaryScreen() ? app.primaryScreen()->refreshRate() : 0;
    std::printf("screen refresh %.1f Hz\n", refresh);
    for (int rate : {33, 2}) {
        const Phase none = measure(stream, nullptr, rate, seconds);
        printPhase("no plots window", rate, none);
        auto window = std::make_unique<PlotsWindow>(stream);
        const Phase hidden = measure(stream, window.get(), rate, seconds);
        printPhase("plots window hidden", rate, hidden);
        window->show();
        const Phase shown = measure(stream, window.get(), rate, seconds);
        printPhase("plots window shown", rate, shown);
        std::printf("rate %d ms: the shown window adds %.2f %% of a core (%.2f ms CPU per "
                    "redraw); redraws %.1f/s against a %.0f Hz refresh\n",
                    rate, shown.cpuPercent - none.cpuPercent,
                    shown.redrawsPerSecond > 0
                        ? 10.0 * (shown.cpuPercent - none.cpuPercent) / shown.redrawsPerSecond
                        : 0.0,
                    shown.redrawsPerSecond, refresh);
        std::fflush(stdout);
    }
    return 0;
}
