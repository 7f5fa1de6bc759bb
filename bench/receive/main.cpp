// Receive path figures:
//  (a) frames per second that the frame receiver and the decoders sustain on mixed frames,
//      with views that do nothing;
//  (b) CPU share of the running program attached to the virtual board and polling it.
// Run it under an X server (xvfb-run -a): the program in (b) shows its window and OpenGL view.

#include "common/CpuShare.h"
#include "common/Figures.h"
#include "display/ShownValues.h"
#include "protocol/FrameDispatch.h"
#include "protocol/FrameReceiver.h"
#include "protocol/MeasurementDecoder.h"
#include "support/Bytes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// Views detached: the decoders run in full and what the window shows of each frame is made;
// it goes nowhere but a count.
class DetachedView
{
public:
    explicit DetachedView(FrameDispatch& dispatch)
    {
        QObject::connect(&dispatch, &FrameDispatch::frameSeen, [this] { ++seen; });
        QObject::connect(&dispatch, &FrameDispatch::deviceMessage,
                         [this](const QString& text) { sink += double(text.size()); });
        QObject::connect(&dispatch, &FrameDispatch::constantsFrame, [](const QByteArray&) {});
        dispatch.stream().subscribe([this](const Measurement& m) {
            sink += m.phi + m.theta + m.psi;
            if (const std::optional<QPointF> dial = ShownValues::DialPoint(m))
                sink += dial->x() + dial->y();
            if (const std::optional<QString> text = m_shown.SensorText(m))
                sink += double(text->size());
            if (const std::optional<QString> text = m_shown.CalibrationText(m))
                sink += double(text->size());
        });
    }

    long long seen = 0;
    double sink = 0;

private:
    ShownValues m_shown{QLatin1Char('.')};
};

// Five frames of one round: F, G, R, a text frame and C, with values that move from round to
// round so the number texts are never the same twice in a row.
std::vector<QByteArray> round(int k)
{
    const float t = float(k) * 0.037f;
    const float phi = 0.6f * std::sin(t);
    const float theta = 0.4f * std::cos(1.3f * t);
    const float psi = std::fmod(t, 6.2831853f) - 3.1415927f;
    const float hx = std::cos(t) * 0.731f;
    const float hy = std::sin(t) * 0.419f;
    const float hz = 0.2f + 0.01f * float(k % 17);
    std::vector<float> f(18, 0.0f);
    f[0] = phi;
    f[1] = theta;
    f[2] = psi;
    for (int i = 3; i < 13; ++i)
        f[std::size_t(i)] = float(i) * 0.5f + t;
    f[13] = hx;
    f[14] = hy;
    f[15] = hz;
    f[16] = 0.0f;
    f[17] = t;
    return {
        countedFrame('F', f),
        countedFrame('G', {phi, theta, psi, 9.81f * hx, 9.81f * hy, 9.5f + hz, 24.5f + hz}),
        countedFrame('R', {phi, theta, psi, hx, hy, hz}),
        QByteArray("*Alignment done#"),
        QByteArray(1, 'C') + floatsBytes({phi, theta, psi, hx, hy, hz, 25.0f, psi * 57.29578f}),
    };
}

struct Throughput
{
    long long frames = 0;
    double seconds = 0;
    bool complete = false;
};

// Every input holds exactly one frame, as a receive tick gets it at the usual poll rate.
Throughput oneFramePerCall(long long count)
{
    FrameDispatch dispatch;
    DetachedView view(dispatch);
    FrameReceiver receiver(dispatch);
    std::vector<QByteArray> frames;
    for (int k = 0; k < 200; ++k)
        for (QByteArray& frame : round(k))
            frames.push_back(std::move(frame));

    QElapsedTimer clock;
    clock.start();
    for (long long i = 0; i < count; ++i)
        receiver.ReceiveFrames(frames[std::size_t(i) % frames.size()]);
    Throughput result;
    result.seconds = double(clock.nsecsElapsed()) / 1e9;
    result.frames = dispatch.frames();
    result.complete = result.frames == count && view.seen > 0 && receiver.RxBuffer().isEmpty();
    return result;
}

// A backlog of frames arrives in one input and is drained one frame per call. A C frame drops
// whatever follows it, so the backlog holds F, G, R and text frames only.
Throughput backlog(long long count, int perBacklog)
{
    FrameDispatch dispatch;
    DetachedView view(dispatch);
    FrameReceiver receiver(dispatch);
    std::vector<QByteArray> inputs;
    int perInput = 0;
    QByteArray input;
    for (int k = 0; int(inputs.size()) < 8; ++k) {
        std::vector<QByteArray> frames = round(k);
        for (int i = 0; i < 4; ++i) {
            input += frames[std::size_t(i)];
            if (++perInput == perBacklog) {
                inputs.push_back(input);
                input.clear();
                perInput = 0;
            }
        }
    }

    long long handled = 0;
    QElapsedTimer clock;
    clock.start();
    for (std::size_t n = 0; handled < count; ++n) {
        receiver.ReceiveFrames(inputs[n % inputs.size()]);
        for (int i = 1; i < perBacklog; ++i)
            receiver.ReceiveFrames({});
        handled += perBacklog;
    }
    Throughput result;
    result.seconds = double(clock.nsecsElapsed()) / 1e9;
    result.frames = dispatch.frames();
    result.complete = result.frames == handled && view.seen > 0 && receiver.RxBuffer().isEmpty();
    return result;
}

void printThroughput(const char* what, const Throughput& t)
{
    std::printf("(a) %s: %lld frames in %.3f s: %.0f frames/s (%.2f us per frame)%s\n", what,
                t.frames, t.seconds, double(t.frames) / t.seconds,
                t.seconds * 1e6 / double(t.frames), t.complete ? "" : "  [NOT ALL FRAMES HANDLED]");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Receive path figures: (a) frames per second of the frame receiver and decoders,\n"
        "(b) CPU share of the program polling the virtual board.\n"
        "Needs an X display for (b): run it under Xvfb, e.g. xvfb-run -a bench_receive.\n"
        "Long run: --frames 20000000 --seconds 60");
    parser.addHelpOption();
    parser.addOptions({
        {"frames", "Frames decoded in each mode of (a) (default 1000000).", "n", "1000000"},
        {"backlog", "Frames arriving in one input in the backlog mode (default 1000).", "n",
         "1000"},
        {"seconds", "Length of the CPU measurement of (b) (default 10).", "s", "10"},
        {"warm-up", "Seconds the program runs before (b) measures (default 3).", "s", "3"},
        {"rate", "Poll rate chosen in the program for (b) (default 33ms).", "text", "33ms"},
        {"program", "The program (default: skyvane next to this benchmark).", "path",
         BuiltProgram(QStringLiteral("skyvane"))},
        {"board-sim", "The virtual board (default: board-sim next to this benchmark).", "path",
         BuiltProgram(QStringLiteral("board-sim"))},
        {"skip-program", "Only (a): do not start the program."},
    });
    parser.process(app);
    const long long frames = parser.value("frames").toLongLong();
    const int perBacklog = parser.value("backlog").toInt();
    const int seconds = parser.value("seconds").toInt();
    const int warmUp = parser.value("warm-up").toInt();
    const bool skipProgram = parser.isSet("skip-program");
    if (frames <= 0 || perBacklog <= 0 || seconds <= 0 || warmUp < 0) {
        std::fprintf(stderr, "bench_receive: --frames, --backlog and --seconds need positive "
                             "whole numbers\n");
        return 2;
    }
    if (!skipProgram && !HasDisplay()) {
        std::fprintf(stderr,
                     "bench_receive: no X display for the program in (b); run it as "
                     "xvfb-run -a %s (or pass --skip-program)\n",
                     argv[0]);
        return 2;
    }
    QStringList command{QCoreApplication::applicationFilePath(), "--frames",
                        QString::number(frames), "--backlog", QString::number(perBacklog)};
    if (skipProgram)
        command << "--skip-program";
    else
        command.prepend(QStringLiteral("xvfb-run -a"));
    if (!skipProgram)
        command << "--seconds" << QString::number(seconds) << "--warm-up" << QString::number(warmUp)
                << "--rate" << parser.value("rate") << "--program" << parser.value("program")
                << "--board-sim" << parser.value("board-sim");
    PrintCommand(command);

    const Throughput single = oneFramePerCall(frames);
    printThroughput("one frame per call (F, G, R, text, C in turn)", single);
    const Throughput drained = backlog(frames, perBacklog);
    printThroughput(
        qPrintable(
            QStringLiteral("backlog of %1 frames in one input (F, G, R, text)").arg(perBacklog)),
        drained);
    if (!single.complete || !drained.complete)
        return 1;
    if (skipProgram)
        return 0;

    CpuShareSetup setup;
    setup.program = parser.value("program");
    setup.boardSim = parser.value("board-sim");
    setup.rate = parser.value("rate");
    setup.warmUpSeconds = warmUp;
    setup.seconds = seconds;
    const CpuShare cpu = MeasureProgramCpu(setup);
    if (!cpu.ok) {
        std::printf("(b) could not measure: %s\n", qPrintable(cpu.error));
        return 1;
    }
    std::printf("(b) program polling the virtual board at %s: CPU %.2f %% of one core over %.1f s "
                "(%.2f s CPU; %lld requests, %.1f per second); virtual board %.2f %%\n",
                qPrintable(setup.rate), cpu.programPercent(), cpu.wallSeconds,
                cpu.programCpuSeconds, cpu.requests, cpu.requestsPerSecond(), cpu.boardPercent());
    return 0;
}
