// Frame path figures:
//  (a) time from handing an F frame's bytes to the frame receiver to the end of the redraws
//      (OpenGL horizon, route dial, magnetometer dial) and text updates, in the real window,
//      plus the window repaint that follows and the share of each view;
//  (b) CPU share of the whole program while it polls the virtual board, and its CPU per frame
//      against the floor's per picture, also with the floor drawn here at the same time;
//  (c) the floor: the same horizon in a bare OpenGL window of the same size, and our horizon
//      and whole frame as a ratio to it;
//  (d) high polling rates (10 ms, 2 ms): CPU share, frames decoded per second, and the age of
//      the shown frame at the end of each redraw;
//  (e) a board at rest (angles wandering by +-0.0005 rad, a constant field) polled at 33 ms:
//      CPU share, the CPU above an idle open port, and how often each view really draws,
//      against the same for a moving board, and beside it the bare exchange of requests and
//      replies that any polling costs (bench_bare_exchange).
// Run it under an X server (xvfb-run -a): the window and the OpenGL view need one.

#include "AtRest.h"
#include "BareExchange.h"
#include "BareHorizon.h"
#include "LiveRun.h"
#include "app/Form1.h"
#include "app/SkyvaneApp.h"
#include "app/WindowViews.h"
#include "common/CpuShare.h"
#include "common/Figures.h"
#include "core/Pause.h"
#include "display/AttitudeScene.h"
#include "display/CockpitView.h"
#include "display/DrawMagDial.h"
#include "display/DrawRoute.h"
#include "display/PictureBox.h"
#include "display/ShownValues.h"
#include "protocol/FrameReceiver.h"
#include "protocol/MeasurementDecoder.h"
#include "support/Bytes.h"
#include "support/QuietPrompts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Angles
{
    float phi, theta, psi, hx, hy, hz;
};

// Angles that sweep through roll, pitch and heading so every frame draws a new picture.
Angles anglesFor(int k)
{
    const float t = float(k) * 0.05f;
    return {0.7f * std::sin(t),        0.45f * std::sin(0.63f * t), std::fmod(0.3f * t, 6.2831853f),
            0.8f * std::cos(0.7f * t), 0.8f * std::sin(0.7f * t),   0.3f};
}

QByteArray frameF(const Angles& a)
{
    std::vector<float> f(18, 0.0f);
    f[0] = a.phi;
    f[1] = a.theta;
    f[2] = a.psi;
    f[13] = a.hx;
    f[14] = a.hy;
    f[15] = a.hz;
    return countedFrame('F', f);
}

double msSince(const QElapsedTimer& clock, qint64 startNs)
{
    return double(clock.nsecsElapsed() - startNs) / 1e6;
}

void printTimes(const char* what, const std::vector<double>& ms, const char* target = "")
{
    std::printf("    %-44s median %7.3f ms   p99 %7.3f ms   max %7.3f ms%s\n", what,
                Percentile(ms, 50), Percentile(ms, 99), Percentile(ms, 100), target);
}

QString rendererName()
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context)
        return QStringLiteral("(no current context)");
    const auto* name =
        reinterpret_cast<const char*>(context->functions()->glGetString(GL_RENDERER));
    return name ? QString::fromLatin1(name) : QStringLiteral("(unknown)");
}

struct PathOptions
{
    int frames = 1000;
    int warmUp = 30;
    // Longer than a screen refresh, as at 33 ms polling: every frame gets its own picture.
    int gapMs = 20;
};

struct PathResult
{
    bool ok = false;
    double horizonMedian = 0;
    double shownMedian = 0;
    QSize cockpitSize;
};

// (a) in the real window of the program, with no port: the frames are handed to the receiver
// as a receive tick would hand them.
PathResult framePath(const PathOptions& options)
{
    PathResult result;
    QTemporaryDir folder;
    QuietPrompts prompts;
    const QStringList& messages = prompts.messages;
    SkyvaneApp::Options o;
    o.programFolder = folder.path();
    o.endProgram = [] {};
    o.prompts = &prompts;
    SkyvaneApp skyvane(o);
    skyvane.Load();
    Form1& form = skyvane.form();
    form.activateWindow();
    for (int waited = 0; waited < 5000 && !form.Cockpit->surfaceWindow()->isExposed(); waited += 20)
        PauseMs(20);
    PauseMs(200);
    if (!form.Cockpit->hasContext() || !form.Cockpit->surfaceWindow()->isExposed()) {
        std::printf("(a) the OpenGL view is not drawing (context %s, exposed %s) %s\n",
                    form.Cockpit->hasContext() ? "yes" : "no",
                    form.Cockpit->surfaceWindow()->isExposed() ? "yes" : "no",
                    qPrintable(messages.join(QLatin1String("; "))));
        return result;
    }
    result.cockpitSize = form.Cockpit->size();
    std::printf("(a) renderer: %s; Cockpit %dx%d px, Route %dx%d px, P %dx%d px\n",
                qPrintable(rendererName()), form.Cockpit->width(), form.Cockpit->height(),
                form.Route->width(), form.Route->height(), form.P->width(), form.P->height());

    FrameReceiver& receiver = skyvane.receiver();
    QElapsedTimer clock;
    clock.start();
    std::vector<double> handling;
    std::vector<double> withRepaint;
    // The views draw at most once per screen refresh: the frame is shown at the end of the
    // next drawing, which may come after ReceiveFrames returns.
    qint64 drawnNs = 0;
    int drawings = 0;
    QEventLoop drawnLoop;
    skyvane.views().setDrawnListener([&] {
        drawnNs = clock.nsecsElapsed();
        ++drawings;
        drawnLoop.quit();
    });
    for (int k = 0; k < options.warmUp + options.frames; ++k) {
        const QByteArray bytes = frameF(anglesFor(k));
        const int drawingsBefore = drawings;
        const qint64 start = clock.nsecsElapsed();
        receiver.ReceiveFrames(bytes);
        if (drawings == drawingsBefore)
            drawnLoop.exec();
        const double handled = double(drawnNs - start) / 1e6;
        // The dials and text boxes are painted on screen by the events the frame left.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        const double repainted = msSince(clock, start);
        if (k >= options.warmUp) {
            handling.push_back(handled);
            withRepaint.push_back(repainted);
        }
        PauseMs(options.gapMs);
    }
    skyvane.views().setDrawnListener({});
    const Angles last = anglesFor(options.warmUp + options.frames - 1);
    if (skyvane.decoder().Phi() != last.phi || !receiver.RxBuffer().isEmpty() ||
        !form.Text3->toPlainText().startsWith(QLatin1String("Hx : "))) {
        std::printf("(a) the frames did not reach the decoder\n");
        return result;
    }
    std::printf("(a) %d F frames, %d ms apart, after %d warm-up frames:\n", options.frames,
                options.gapMs, options.warmUp);
    printTimes("ReceiveFrames to end of redraws and texts:", handling,
               "   (target median <= 0.6 ms, p99 <= 1.2 ms)");
    printTimes("the same plus the window repaint:", withRepaint);

    // The share of each view: the same drawings called one at a time.
    std::vector<double> cockpit, route, dial, text;
    const ShownValues shown(QLatin1Char('.'));
    for (int k = 0; k < options.frames; ++k) {
        Angles a = anglesFor(k + 7);
        qint64 start = clock.nsecsElapsed();
        form.Cockpit->DrawAttitude3D(a.phi, a.theta);
        cockpit.push_back(msSince(clock, start));
        start = clock.nsecsElapsed();
        DrawRoute(*form.Route, *form.MaskBoussole, a.psi);
        route.push_back(msSince(clock, start));
        start = clock.nsecsElapsed();
        DrawMagDial(*form.P, a.hy, a.hx);
        dial.push_back(msSince(clock, start));
        start = clock.nsecsElapsed();
        form.Text3->setPlainText(shown.MagneticText(a.hx, a.hy, a.hz));
        text.push_back(msSince(clock, start));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        PauseMs(options.gapMs);
    }
    // Where the OpenGL time goes: the picture itself (finished) and its presentation. The
    // view leaves its context current after drawing.
    std::vector<double> render, swap;
    QOpenGLContext* context = QOpenGLContext::currentContext();
    QWindow* surface = form.Cockpit->surfaceWindow();
    const bool ownContext = context && context->surface() == surface;
    for (int k = 0; ownContext && k < options.frames; ++k) {
        const Angles a = anglesFor(k + 11);
        qint64 start = clock.nsecsElapsed();
        RenderAttitude(a.phi, a.theta, form.Cockpit->height() * 15.0, form.Cockpit->width() * 15.0);
        context->functions()->glFinish();
        render.push_back(msSince(clock, start));
        start = clock.nsecsElapsed();
        context->swapBuffers(surface);
        swap.push_back(msSince(clock, start));
        PauseMs(options.gapMs);
    }
    std::printf("(a) each part alone:\n");
    printTimes("DrawAttitude3D (OpenGL, presented):", cockpit);
    if (ownContext) {
        printTimes("  of which the picture (to glFinish):", render);
        printTimes("  of which swapBuffers:", swap);
    }
    printTimes("DrawRoute:", route);
    printTimes("DrawMagDial:", dial);
    printTimes("sensor text:", text);
    result.horizonMedian = Percentile(cockpit, 50);
    result.shownMedian = Percentile(handling, 50);
    result.ok = true;
    return result;
}

// Returns the floor's CPU time per picture in ms (0 when it could not draw).
double printFloor(const PathResult& path, const PathOptions& options)
{
    const FloorFigures floor = BareHorizon(path.cockpitSize, options.frames, options.gapMs);
    if (floor.times.empty()) {
        std::printf("(c) the bare OpenGL window could not draw\n");
        return 0;
    }
    const double median = Percentile(floor.times, 50);
    std::printf("(c) the same horizon in a bare %dx%d px OpenGL window:\n",
                path.cockpitSize.width(), path.cockpitSize.height());
    printTimes("drawn and presented (the floor):", floor.times);
    std::printf("    our horizon %.2f x the floor (target <= 1.3), the whole frame %.2f x\n",
                path.horizonMedian / median, path.shownMedian / median);
    std::printf("    CPU of the floor, every thread: %.3f ms per picture, %.2f %% of one core at "
                "30 pictures per second\n",
                floor.cpuMsPerFrame, floor.cpuMsPerFrame * 30 / 10);
    return floor.cpuMsPerFrame;
}

// The CPU the program spends per frame shown, against the floor's per picture; returns the
// multiple (0 when there is none).
double printPerFrame(const char* what, const CpuShare& cpu, double floorCpuMs)
{
    if (cpu.requests <= 0 || floorCpuMs <= 0)
        return 0;
    const double perFrame = cpu.programCpuSeconds * 1000.0 / double(cpu.requests);
    std::printf("    %s: %.3f ms of CPU per frame, %.2f x the floor's picture (target <= 1.3)\n",
                what, perFrame, perFrame / floorCpuMs);
    return perFrame / floorCpuMs;
}

void printRange(const char* what, const std::vector<double>& values, const char* unit,
                const char* target)
{
    if (values.size() < 2)
        return;
    std::printf("    %-34s %zu runs: %.2f to %.2f%s, median %.2f%s%s\n", what, values.size(),
                Percentile(values, 0), Percentile(values, 100), unit, Percentile(values, 50), unit,
                target);
}

// How often each view drew in a run of the window in this process.
void printPictures(const char* what, const LiveRunFigures& f)
{
    std::printf("%s, over %.1f s in this process: %.1f frames decoded per second; pictures "
                "per second: horizon %.1f, route dial %.1f, magnetometer dial %.1f, sensor text "
                "%.1f\n",
                what, f.seconds, f.decodedPerSecond(), f.perSecond(f.horizonPictures),
                f.perSecond(f.routePictures), f.perSecond(f.dialPictures),
                f.perSecond(f.textChanges));
}

bool highRate(const CpuShareSetup& base, const QString& rate, const QString& baud, int seconds,
              double targetPercent)
{
    CpuShareSetup setup = base;
    setup.rate = rate;
    setup.boardArguments = {QStringLiteral("--baud"), baud};
    const CpuShare cpu = MeasureProgramCpu(setup);
    if (!cpu.ok) {
        std::printf("(d) %s: could not measure: %s\n", qPrintable(rate), qPrintable(cpu.error));
        return false;
    }
    std::printf("(d) whole program polling at %s (board at %s baud): CPU %.2f %% of one core "
                "over %.1f s (target <= %.0f %%); %.1f requests per second\n",
                qPrintable(rate), qPrintable(baud), cpu.programPercent(), cpu.wallSeconds,
                targetPercent, cpu.requestsPerSecond());
    const LiveRunFigures f =
        MeasureLiveRun(base.boardSim, rate, setup.boardArguments, base.warmUpSeconds, seconds);
    if (!f.ok) {
        std::printf("(d) %s in this process: %s\n", qPrintable(rate), qPrintable(f.error));
        return false;
    }
    std::printf("    in this process over %.1f s: %.1f frames decoded per second (%.1f requests), "
                "%.1f redraws per second; receive buffer at most %lld bytes, %lld at the end\n",
                f.seconds, f.decodedPerSecond(), double(f.requests) / f.seconds,
                f.redrawsPerSecond(), f.largestBacklog, f.endBacklog);
    printTimes("age of the shown frame at end of redraw:", f.shownAgeMs,
               "   (target p99 <= 20 ms)");
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "bench_frame_path: needs an X display for the window and the OpenGL view; "
                     "run it as xvfb-run -a %s\n",
                     argv[0]);
        return 2;
    }
    // Each figure shows as soon as it is measured, also when the output goes to a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Frame path figures: (a) time from an F frame's bytes to the end of the redraws in\n"
        "the real window, (b) CPU share of the program polling the virtual board.\n"
        "Needs an X display: run it under Xvfb, e.g. xvfb-run -a bench_frame_path.\n"
        "Long run: --frames 10000 --seconds 120");
    parser.addHelpOption();
    parser.addOptions({
        {"frames", "F frames timed in (a) (default 1000).", "n", "1000"},
        {"gap-ms", "Pause between two frames of (a) (default 20).", "ms", "20"},
        {"seconds", "Length of the CPU measurement of (b) (default 20).", "s", "20"},
        {"warm-up", "Seconds the program runs before (b) measures (default 3).", "s", "3"},
        {"split", "Also print (b) with the port open but no polling."},
        {"runs",
         "Measure the CPU shares of (b) and (e) this many times, each run with a floor "
         "of its own (default 1).",
         "n", "1"},
        {"no-rest", "Leave out the board at rest (e)."},
        {"high-seconds", "Length of each in-process run of (d) and (e) (default 10).", "s", "10"},
        {"no-high", "Leave out the high-rate runs (d)."},
        {"program", "The program (default: skyvane next to this benchmark).", "path",
         BuiltProgram(QStringLiteral("skyvane"))},
        {"board-sim", "The virtual board (default: board-sim next to this benchmark).", "path",
         BuiltProgram(QStringLiteral("board-sim"))},
    });
    parser.process(app);
    PathOptions path;
    path.frames = parser.value("frames").toInt();
    path.gapMs = parser.value("gap-ms").toInt();
    const int seconds = parser.value("seconds").toInt();
    const int warmUp = parser.value("warm-up").toInt();
    const int runs = parser.value("runs").toInt();
    if (path.frames <= 0 || path.gapMs < 0 || seconds <= 0 || warmUp < 0 || runs <= 0) {
        std::fprintf(stderr, "bench_frame_path: --frames, --seconds and --runs need positive "
                             "whole numbers\n");
        return 2;
    }
    QStringList command{QStringLiteral("xvfb-run -a"),
                        QCoreApplication::applicationFilePath(),
                        "--frames",
                        QString::number(path.frames),
                        "--gap-ms",
                        QString::number(path.gapMs),
                        "--seconds",
                        QString::number(seconds),
                        "--warm-up",
                        QString::number(warmUp),
                        "--program",
                        parser.value("program"),
                        "--board-sim",
                        parser.value("board-sim")};
    if (parser.isSet("split"))
        command << "--split";
    command << "--runs" << QString::number(runs);
    if (parser.isSet("no-rest"))
        command << "--no-rest";
    if (parser.isSet("no-high"))
        command << "--no-high";
    command << "--high-seconds" << parser.value("high-seconds");
    PrintCommand(command);

    const PathResult pathResult = framePath(path);
    if (!pathResult.ok)
        return 1;
    const double firstFloorCpuMs = printFloor(pathResult, path);

    CpuShareSetup setup;
    setup.program = parser.value("program");
    setup.boardSim = parser.value("board-sim");
    setup.warmUpSeconds = warmUp;
    setup.seconds = seconds;
    const bool rest = !parser.isSet("no-rest");
    QTemporaryDir scratch;
    const QString restRecording = scratch.filePath(QStringLiteral("at-rest.csv"));
    if (rest) {
        QString error;
        // Longer than a run, so that the board does not start the recording again in one.
        const int frames = (warmUp + seconds + 10) * 31;
        if (!WriteRestRecording(restRecording, frames, error)) {
            std::printf("(e) %s\n", qPrintable(error));
            return 1;
        }
    }
    CpuShareSetup quiet = setup;
    quiet.dataCommunication = false;
    CpuShareSetup resting = setup;
    resting.boardArguments = {QStringLiteral("--replay"), restRecording};

    std::vector<double> multiples, restShares, aboveIdle, exchangeFloors, aboveExchange;
    for (int run = 1; run <= runs; ++run) {
        if (runs > 1)
            std::printf("(b, e) run %d of %d\n", run, runs);
        double floorCpuMs = firstFloorCpuMs;
        if (run > 1) {
            const FloorFigures floor = BareHorizon(pathResult.cockpitSize, path.frames, path.gapMs);
            floorCpuMs = floor.cpuMsPerFrame;
            std::printf("    the floor again: %.3f ms of CPU per picture\n", floorCpuMs);
        }
        const CpuShare cpu = MeasureProgramCpu(setup);
        if (!cpu.ok) {
            std::printf("(b) could not measure: %s\n", qPrintable(cpu.error));
            return 1;
        }
        std::printf("(b) whole program polling the virtual board (moving) at 33ms: CPU %.2f %% of "
                    "one core over %.1f s (target <= 4 %%); %lld requests, %.1f per second\n",
                    cpu.programPercent(), cpu.wallSeconds, cpu.requests, cpu.requestsPerSecond());
        printPerFrame("moving board at 33ms", cpu, floorCpuMs);
        // The machine's speed drifts within minutes: the floor drawn in this process over the
        // same stretch as the program runs gives the steadier multiple.
        FloorFigures alongside;
        CpuShareSetup paired = setup;
        paired.during = [&](int ms) { alongside = BareHorizon(pathResult.cockpitSize, 0, 32, ms); };
        const CpuShare both = MeasureProgramCpu(paired);
        if (!both.ok || alongside.times.empty()) {
            std::printf("(b) could not measure beside the floor: %s\n", qPrintable(both.error));
            return 1;
        }
        std::printf("(b) again, with the floor drawn at the same time in this process (%zu "
                    "pictures, %.3f ms of CPU each): program CPU %.2f %% of one core\n",
                    alongside.times.size(), alongside.cpuMsPerFrame, both.programPercent());
        const double multiple =
            printPerFrame("moving board beside the floor", both, alongside.cpuMsPerFrame);
        if (multiple > 0)
            multiples.push_back(multiple);
        if (!parser.isSet("split") && !rest)
            continue;
        const CpuShare idle = MeasureProgramCpu(quiet);
        if (!idle.ok) {
            std::printf("(b) could not measure without polling: %s\n", qPrintable(idle.error));
            return 1;
        }
        std::printf("(b) the same with the port open but no polling: CPU %.2f %% of one core "
                    "over %.1f s (target <= 0.5 %%)\n",
                    idle.programPercent(), idle.wallSeconds);
        if (!rest)
            continue;
        const CpuShare still = MeasureProgramCpu(resting);
        if (!still.ok) {
            std::printf("(e) could not measure the board at rest: %s\n", qPrintable(still.error));
            return 1;
        }
        std::printf("(e) board at rest (angles +-%.4f rad around phi %.1f, theta %.1f, psi %.1f; "
                    "constant field) polled at 33ms: CPU %.2f %% of one core over %.1f s (target "
                    "<= 1.0 %%); %.1f requests per second; %.2f %% above the idle open port "
                    "(target <= 0.6 %%)\n",
                    RestNoise, double(RestPhi), double(RestTheta), double(RestPsi),
                    still.programPercent(), still.wallSeconds, still.requestsPerSecond(),
                    still.programPercent() - idle.programPercent());
        restShares.push_back(still.programPercent());
        aboveIdle.push_back(still.programPercent() - idle.programPercent());
        // The exchange runs beside a second at-rest run of the program, against a board of
        // its own, so that both are measured over the same stretch of this drifting machine.
        // Beside each other both cost more than alone (twice the wake-ups on two cores), so
        // the reading is the difference, not either share.
        ExchangeFloor exchange;
        CpuShareSetup besideExchange = resting;
        besideExchange.during = [&](int ms) {
            exchange = BareExchange(setup.boardSim, resting.boardArguments, 33, 1,
                                    std::max(1, ms / 1000 - 1));
        };
        const CpuShare beside = MeasureProgramCpu(besideExchange);
        if (!beside.ok || !exchange.ok) {
            std::printf("(e) could not measure beside the bare exchange: %s\n",
                        qPrintable(beside.ok ? exchange.error : beside.error));
            return 1;
        }
        std::printf("(e) again, with the bare exchange beside it (\"F\" every 33 ms to a board "
                    "of its own, the reply read as it comes, nothing decoded or shown; %.1f "
                    "requests per second): exchange CPU %.2f %% of one core, program %.2f %%, "
                    "the program %.2f %% above the exchange\n",
                    exchange.requestsPerSecond, exchange.percent, beside.programPercent(),
                    beside.programPercent() - exchange.percent);
        exchangeFloors.push_back(exchange.percent);
        aboveExchange.push_back(beside.programPercent() - exchange.percent);
    }
    if (runs > 1) {
        std::printf("(b, e) over the runs:\n");
        printRange("moving, CPU per frame / floor beside:", multiples, " x", "   (target <= 1.3)");
        printRange("at rest, CPU share:", restShares, " %", "   (target <= 1.0 %)");
        printRange("at rest, above the idle port:", aboveIdle, " %", "   (target <= 0.6 %)");
        printRange("the bare exchange, CPU share:", exchangeFloors, " %", "");
        printRange("at rest beside it, above it:", aboveExchange, " %", "");
    }
    if (rest) {
        const int liveSeconds = std::max(1, parser.value("high-seconds").toInt());
        const LiveRunFigures still = MeasureLiveRun(setup.boardSim, QStringLiteral("33ms"),
                                                    resting.boardArguments, warmUp, liveSeconds);
        const LiveRunFigures moving =
            MeasureLiveRun(setup.boardSim, QStringLiteral("33ms"), {}, warmUp, liveSeconds);
        if (!still.ok || !moving.ok) {
            std::printf("(e) the window in this process: %s\n",
                        qPrintable(still.ok ? moving.error : still.error));
            return 1;
        }
        printPictures("(e) at rest", still);
        printPictures("    moving board", moving);
    }
    if (parser.isSet("no-high"))
        return 0;
    // Each rate with a wire fast enough to carry it: a 74-byte F frame takes 6.4 ms at
    // 115200 baud and 0.8 ms at 921600.
    const int highSeconds = std::max(1, parser.value("high-seconds").toInt());
    const bool ten =
        highRate(setup, QStringLiteral("10ms"), QStringLiteral("115200"), highSeconds, 8);
    const bool two =
        highRate(setup, QStringLiteral("2ms"), QStringLiteral("921600"), highSeconds, 15);
    return ten && two ? 0 : 1;
}
