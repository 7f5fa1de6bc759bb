// Field view figures, with 20 000 points held:
//  (a) time to add one point (the running sums of the fit and the ring);
//  (b) time of one pass for the figures (spread, coverage, extent), done at most at the
//      display rate;
//  (c) time of one redraw of the window's plot, and the CPU share these would take at 30
//      redraws a second.
// Runs with any Qt platform, e.g. QT_QPA_PLATFORM=offscreen bench_field.

#include "common/Figures.h"
#include "plots/FieldFit.h"
#include "plots/FieldPlot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

QPointF circlePoint(long long i)
{
    const double t = 2 * std::numbers::pi * double(i) / 997.0;
    return QPointF(120 + 300 * std::cos(t) + std::sin(i * 0.37), -45 + 300 * std::sin(t));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PrintCommand({QStringLiteral("QT_QPA_PLATFORM=offscreen"), QStringLiteral("bench_field")});

    FieldFit fit;
    constexpr long long Adds = 2000000;
    QElapsedTimer clock;
    clock.start();
    for (long long i = 0; i < Adds; ++i)
        fit.add(circlePoint(i));
    const double addNs = double(clock.nsecsElapsed()) / Adds;
    std::printf("add one point (ring of %d full): %.1f ns\n", fit.points().size(), addNs);

    std::vector<double> passMs;
    double sink = 0;
    for (int i = 0; i < 60; ++i) {
        fit.add(circlePoint(i));
        clock.restart();
        const FieldFigures f = fit.figures();
        passMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        sink += f.spreadPercent + f.coverage + f.extentRatio;
    }
    std::printf("figures of %d points: median %.2f ms, 95th percentile %.2f ms\n",
                fit.points().size(), Percentile(passMs, 50), Percentile(passMs, 95));

    FieldPlot plot(fit.points());
    plot.resize(560, 560);
    plot.setCircle(fit.circle());
    QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> drawMs;
    for (int i = 0; i < 60; ++i) {
        clock.restart();
        plot.render(&image);
        drawMs.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const double perRedraw = Percentile(passMs, 50) + Percentile(drawMs, 50);
    std::printf("plot redraw of %d points at 560x560: median %.2f ms, 95th percentile %.2f ms\n",
                fit.points().size(), Percentile(drawMs, 50), Percentile(drawMs, 95));
    std::printf("figures and redraw at 30 per second: %.1f %% of one core\n",
                perRedraw * 30 / 10.0);
    return sink > 0 ? 0 : 1;
}
