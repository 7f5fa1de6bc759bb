// Soak figures: the program polls the virtual board for a long stretch and its resident
// memory is followed; with --leak-check the sanitizer build runs for a while, is closed through
// its window, and LeakSanitizer's verdict is read from its output.
// Run it under an X server (xvfb-run -a): the program shows its window and OpenGL view.

#include "LeakReport.h"
#include "common/Figures.h"
#include "common/ListeningBoard.h"
#include "common/ProcStat.h"
#include "core/Pause.h"
#include "support/BoardProcess.h"
#include "support/program/ProgramRun.h"
#include "support/program/WindowClose.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString WindowTitle = QStringLiteral("VELTIS - Skyvane 6.0");

struct SoakOptions
{
    QString program;
    QString boardSim;
    int seconds = 60;
    int warmUp = 5;
    int sampleEvery = 10;
};

bool soak(const SoakOptions& o)
{
    ListeningBoard board;
    if (!board.start(o.boardSim, {})) {
        std::printf("%s\n", qPrintable(board.error()));
        return false;
    }
    ProgramRun program;
    if (!program.start(o.program, board.portPath(), QStringLiteral("33ms"))) {
        std::printf("%s\n", qPrintable(program.error()));
        return false;
    }
    PauseMs(o.warmUp * 1000);
    const qint64 startKb = ResidentKb(program.pid());
    if (startKb < 0 || !program.running()) {
        std::printf("the program ended during the warm-up\n");
        return false;
    }
    std::printf("soak: VmRSS %.1f MB at start (after %d s warm-up)\n", double(startKb) / 1024,
                o.warmUp);
    std::fflush(stdout);
    qint64 peakKb = startKb;
    qint64 endKb = startKb;
    const qint64 received0 = board.heard();
    QElapsedTimer clock;
    clock.start();
    for (int elapsed = 0; elapsed < o.seconds;) {
        const int step = std::min(o.sampleEvery, o.seconds - elapsed);
        PauseMs(step * 1000);
        elapsed += step;
        endKb = ResidentKb(program.pid());
        if (endKb < 0 || !program.running()) {
            std::printf("the program ended after %d s of the soak\n", elapsed);
            return false;
        }
        peakKb = std::max(peakKb, endKb);
        std::printf("soak: %4d s  VmRSS %.1f MB\n", elapsed, double(endKb) / 1024);
        std::fflush(stdout);
    }
    const double seconds = double(clock.elapsed()) / 1000;
    const qint64 requests = board.heard() - received0;
    const double growthMb = double(endKb - startKb) / 1024;
    std::printf("soak: %.0f s polled at 33ms (%lld requests, %.1f per second): VmRSS %.1f MB at "
                "start, %.1f MB at end (peak %.1f MB); growth %.2f MB (target < 5 MB)\n",
                seconds, requests, double(requests) / seconds, double(startKb) / 1024,
                double(endKb) / 1024, double(peakKb) / 1024, growthMb);
    if (requests <= 0) {
        std::printf("the board heard no request: the program is not polling it\n");
        return false;
    }
    return true;
}

struct LeakVerdict
{
    bool ran = false;
    QString error;
    int exitCode = 0;
    bool crashed = false;
    // LeakSanitizer scanned the process (at exit or when the program asked for it).
    bool leakCheckRan = false;
    bool leakReported = false;
    // Another finding of the sanitizers (a bad access at the end, undefined behaviour).
    bool otherError = false;
    QString summary;
    std::vector<Leak> leaks;
    // The file name of the program, to tell its own code from the libraries'.
    QString programName;
};

LeakVerdict leakRun(const QString& program, const QString& boardSim, int seconds,
                    const QString& suppressions, const QString& keepLogAs)
{
    LeakVerdict verdict;
    BoardProcess board;
    if (!board.start({}, BoardProcess::NoOption, boardSim)) {
        verdict.error = board.error();
        return verdict;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // log_threads=1 makes every leak check, clean or not, log the threads it scans: the only
    // sign that LeakSanitizer looked at all. Options already in the environment come later
    // and so win.
    const auto withOwn = [&environment](const QString& name, const QString& own) {
        const QString given = environment.value(name);
        environment.insert(name, given.isEmpty() ? own : own + QLatin1Char(':') + given);
    };
    withOwn(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=1"));
    withOwn(QStringLiteral("LSAN_OPTIONS"),
            QStringLiteral("log_threads=1:suppressions=") + suppressions);
    ProgramRun run;
    if (!run.start(program, board.portPath(), QStringLiteral("33ms"), true, environment)) {
        verdict.error = run.error();
        return verdict;
    }
    PauseMs(seconds * 1000);
    if (!run.running()) {
        verdict.error = QStringLiteral("the program ended before its window was closed");
        return verdict;
    }
    // Libraries unloaded before the exit-time check are found again in this map.
    const std::vector<Mapping> mappings = ReadMappings(run.pid());
    QString error;
    if (!CloseWindow(run.pid(), WindowTitle, error)) {
        verdict.error = error;
        return verdict;
    }
    if (!run.waitForEnd(60000)) {
        verdict.error = QStringLiteral("the program did not end within 60 s of the close");
        return verdict;
    }
    const QByteArray output = run.standardError();
    if (!keepLogAs.isEmpty()) {
        QFile log(keepLogAs);
        if (log.open(QIODevice::WriteOnly))
            log.write(output);
    }
    verdict.ran = true;
    verdict.exitCode = run.exitCode();
    verdict.crashed = run.exitStatus() == QProcess::CrashExit;
    verdict.leakReported = output.contains("ERROR: LeakSanitizer: detected memory leaks");
    verdict.leakCheckRan = verdict.leakReported || output.contains("Processing thread");
    verdict.otherError =
        output.contains("ERROR: AddressSanitizer") || output.contains("runtime error:");
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith("SUMMARY:"))
            verdict.summary = QString::fromLocal8Bit(line);
    }
    verdict.leaks = ParseLeaks(output, mappings);
    verdict.programName = QFileInfo(program).fileName();
    return verdict;
}

void printVerdict(const char* what, const LeakVerdict& v)
{
    if (!v.ran) {
        std::printf("leak check, %s: could not run: %s\n", what, qPrintable(v.error));
        return;
    }
    std::printf("leak check, %s: %s %d; LeakSanitizer ran: %s; leak reported: %s; other "
                "sanitizer errors: %s%s%s\n",
                what, v.crashed ? "crashed, signal/code" : "exit code", v.exitCode,
                v.leakCheckRan ? "yes" : "NO (it never looked)", v.leakReported ? "YES" : "no",
                v.otherError ? "YES" : "no", v.summary.isEmpty() ? "" : " - ",
                qPrintable(v.summary));
    for (const Leak& leak : v.leaks) {
        const bool own = leak.modules.contains(v.programName);
        std::printf("    %s leak of %lld bytes, allocated through %s%s\n",
                    leak.direct ? "direct" : "indirect", leak.bytes,
                    qPrintable(leak.modules.join(QLatin1String(" < "))),
                    own ? "  [PROGRAM CODE]" : "");
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString sourceDir = QStringLiteral(SKYVANE_SOURCE_DIR);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Soak figures: resident memory of the program polling the virtual board at 33ms.\n"
        "With --leak-check: the sanitizer build (cmake -DSKYVANE_SANITIZE=ON, its bin folder\n"
        "given by --asan-bin) runs, is closed through its window, and LeakSanitizer's verdict\n"
        "is read; the program and skyvane-exitcheck (same wiring, returning end) are both run.\n"
        "Needs an X display: run it under Xvfb, e.g. xvfb-run -a bench_soak.\n"
        "Long run: --seconds 600");
    parser.addHelpOption();
    parser.addOptions({
        {"seconds", "Length of the soak (default 60).", "s", "60"},
        {"warm-up", "Seconds before the first memory reading (default 5).", "s", "5"},
        {"sample-every", "Seconds between memory readings (default 10).", "s", "10"},
        {"program", "The program (default: skyvane next to this benchmark).", "path",
         BuiltProgram(QStringLiteral("skyvane"))},
        {"board-sim", "The virtual board (default: board-sim next to this benchmark).", "path",
         BuiltProgram(QStringLiteral("board-sim"))},
        {"leak-check", "Run the sanitizer build under LeakSanitizer instead of the soak."},
        {"leak-seconds", "How long the sanitizer build runs before it is closed (default 60).", "s",
         "60"},
        {"asan-bin", "Folder of the sanitizer build's programs (default <source>/build-asan/bin).",
         "dir", sourceDir + QStringLiteral("/build-asan/bin")},
        {"keep-logs", "Keep the sanitizer output in <dir>.", "dir"},
    });
    parser.process(app);
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "bench_soak: needs an X display for the program; run it as xvfb-run -a %s\n",
                     argv[0]);
        return 2;
    }
    const QString boardSim = parser.value("board-sim");

    if (parser.isSet("leak-check")) {
        const int seconds = parser.value("leak-seconds").toInt();
        const QString asanBin = parser.value("asan-bin");
        if (seconds <= 0) {
            std::fprintf(stderr, "bench_soak: --leak-seconds needs a positive whole number\n");
            return 2;
        }
        QStringList command{QStringLiteral("xvfb-run -a"),
                            QCoreApplication::applicationFilePath(),
                            "--leak-check",
                            "--leak-seconds",
                            QString::number(seconds),
                            "--asan-bin",
                            asanBin,
                            "--board-sim",
                            boardSim};
        const QString keep = parser.value("keep-logs");
        if (!keep.isEmpty())
            command << "--keep-logs" << keep;
        PrintCommand(command);
        if (!keep.isEmpty())
            QDir().mkpath(keep);
        const QString suppressions = sourceDir + QStringLiteral("/tests/lsan.supp");
        const QString real = asanBin + QStringLiteral("/skyvane");
        const QString returning = asanBin + QStringLiteral("/skyvane-exitcheck");
        if (!QFile::exists(real)) {
            std::printf("no sanitizer build at %s (cmake -S . -B build-asan -DSKYVANE_SANITIZE=ON "
                        "-DSKYVANE_BENCH=ON, then build skyvane and skyvane-exitcheck)\n",
                        qPrintable(real));
            return 1;
        }
        const auto logPath = [&keep](const char* name) {
            return keep.isEmpty() ? QString() : QDir(keep).filePath(QLatin1String(name));
        };
        const LeakVerdict program =
            leakRun(real, boardSim, seconds, suppressions, logPath("skyvane.stderr.txt"));
        printVerdict("skyvane closed through its window", program);
        if (!QFile::exists(returning)) {
            std::printf("leak check, skyvane-exitcheck: not built in %s\n", qPrintable(asanBin));
            return program.ran ? 0 : 1;
        }
        const LeakVerdict exitcheck = leakRun(returning, boardSim, seconds, suppressions,
                                              logPath("skyvane-exitcheck.stderr.txt"));
        printVerdict("skyvane-exitcheck closed through its window", exitcheck);
        return program.ran && exitcheck.ran ? 0 : 1;
    }

    SoakOptions o;
    o.program = parser.value("program");
    o.boardSim = boardSim;
    o.seconds = parser.value("seconds").toInt();
    o.warmUp = parser.value("warm-up").toInt();
    o.sampleEvery = parser.value("sample-every").toInt();
    if (o.seconds <= 0 || o.warmUp < 0 || o.sampleEvery <= 0) {
        std::fprintf(stderr, "bench_soak: --seconds and --sample-every need positive whole "
                             "numbers\n");
        return 2;
    }
    PrintCommand({QStringLiteral("xvfb-run -a"), QCoreApplication::applicationFilePath(),
                  "--seconds", QString::number(o.seconds), "--warm-up", QString::number(o.warmUp),
                  "--sample-every", QString::number(o.sampleEvery), "--program", o.program,
                  "--board-sim", o.boardSim});
    return soak(o) ? 0 : 1;
}
