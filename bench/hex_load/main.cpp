// Load-and-check time of firmware files: a 1 MB HEX file (the whole image path a download
// takes before it touches the board) and a one-line file (what every fuzz input costs).

#include "common/Figures.h"
#include "firmware/FirmwareImage.h"
#include "support/HexLines.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Milliseconds per load of text: median and best of runs.
bool Time(const char* what, const QByteArray& text, int runs)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const FirmwareLoad load = LoadFirmware(text);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (!load.ok) {
            std::printf("%s: refused, line %d: %s\n", what, load.errorLine,
                        qPrintable(load.reason));
            return false;
        }
    }
    std::printf("%s (%lld bytes), %d runs: median %.3f ms, best %.3f ms\n", what,
                static_cast<long long>(text.size()), runs, Percentile(times, 50),
                Percentile(times, 0));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 21;
    if (runs <= 0) {
        std::fprintf(stderr, "usage: bench_hex_load [runs]\n");
        return 2;
    }
    int instructions = 20000;
    QByteArray big;
    while ((big = FirmwareText(instructions)).size() < 1000000)
        instructions += 2000;
    const bool ok = Time("load and check of a 1 MB HEX file", big, runs) &&
                    Time("load and check of a one-record file",
                         HexData(0, QByteArray("\x01\x02\x03\x00", 4)) + HexEnd(), runs * 10);
    return ok ? 0 : 1;
}
