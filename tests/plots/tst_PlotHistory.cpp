#include "plots/PlotChannels.h"
#include "plots/PlotHistory.h"
#include "plots/PlotScale.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

const float kNone = std::numeric_limits<float>::quiet_NaN();

// Frames of one channel from t0 to t1 (inclusive) every dt seconds, value f(t).
template <typename F> void feed(PlotHistory& h, double t0, double t1, double dt, F f)
{
    for (double t = t0; t <= t1 + 1e-9; t += dt) {
        const float v[] = {float(f(t))};
        h.addFrame(t, v);
    }
}

qsizetype pointsIn(const QList<PlotHistory::Segment>& segments)
{
    qsizetype n = 0;
    for (const auto& s : segments)
        n += s.size();
    return n;
}

Measurement frame(char kind, int floats)
{
    Measurement m;
    m.kind = kind;
    for (int k = 1; k <= floats; ++k)
        m.values.append(float(k) * 10.0f); // float k holds 10 k
    return m;
}

} // namespace

class TestPlotHistory : public QObject
{
    Q_OBJECT
private slots:
    // A heading going round breaks its line at the wrap, either way round and also between
    // -180 and 180; a channel without the period, and steps within half of it, do not.
    void aWrappingChannelBreaksWhereItWraps()
    {
        PlotHistory h(2);
        h.setWrap(0, 360);
        const QList<float> heading = {350, 355, 359, 1, 5, 179.5f, 2, 358, -179, 179};
        double t = 0;
        for (float v : heading) {
            const float values[2] = {v, v};
            h.addFrame(t, values);
            t += 0.1;
        }
        const auto runs = h.visible(0, t, 10.0, 10000);
        QCOMPARE(runs.size(), 5);
        QCOMPARE(runs[0].size(), 3);
        QCOMPARE(runs[0].last().y(), 359.0);
        QCOMPARE(runs[1].first().y(), 1.0);
        QCOMPARE(runs[1].last().y(), 2.0);
        QCOMPARE(runs[2].size(), 1);
        QCOMPARE(runs[2].first().y(), 358.0);
        QCOMPARE(runs[3].first().y(), -179.0);
        QCOMPARE(runs[4].first().y(), 179.0);
        QCOMPARE(h.visible(1, t, 10.0, 10000).size(), 1);
        // Between the two frames of a wrap nothing is read out.
        QVERIFY(std::isnan(h.valueNear(0, 0.25)));
        QCOMPARE(h.valueNear(0, 0.2), 359.0f);
    }

    void pausesLongerThanTheThresholdSplitTheLine()
    {
        PlotHistory h(1);
        feed(h, 0.0, 1.0, 0.033, [](double) { return 1.0; });
        // 0.3 s without frames at 33 ms polling: late frames, not a gap (half a second floor).
        feed(h, 1.3, 2.0, 0.033, [](double) { return 2.0; });
        QCOMPARE(h.gapThreshold(), 0.5);
        // 2 s without frames is a gap.
        feed(h, 4.0, 5.0, 0.033, [](double) { return 3.0; });
        const auto runs = h.visible(0, 5.0, 10.0, 10000);
        QCOMPARE(runs.size(), 2);
        QVERIFY(qAbs(runs[0].last().x() - (1.99 - 5.0)) < 0.03);
        QCOMPARE(runs[0].last().y(), 2.0);
        QCOMPARE(runs[1].first().x(), -1.0);
        QCOMPARE(runs[1].first().y(), 3.0);
    }

    void slowPollingRaisesTheThreshold()
    {
        PlotHistory h(1);
        feed(h, 0.0, 10.0, 1.0, [](double t) { return t; });
        QCOMPARE(h.gapThreshold(), 3.0);
        feed(h, 12.0, 14.0, 1.0, [](double t) { return t; }); // one request lost
        QCOMPARE(h.visible(0, 14.0, 30.0, 1000).size(), 1);
        feed(h, 18.0, 20.0, 1.0, [](double t) { return t; }); // 4 s silent
        QCOMPARE(h.visible(0, 20.0, 30.0, 1000).size(), 2);
    }

    void aChannelMissingFromFramesGetsItsOwnGap()
    {
        PlotHistory h(2);
        for (double t = 0; t < 3.0; t += 0.1) {
            // Channel 1 is absent from 1 s to 2 s (other frame kinds, or unusable values).
            const float v[] = {1.0f, t >= 1.0 && t < 2.0 ? kNone : 2.0f};
            h.addFrame(t, v);
        }
        QCOMPARE(h.visible(0, 3.0, 10.0, 1000).size(), 1);
        QCOMPARE(h.visible(1, 3.0, 10.0, 1000).size(), 2);
    }

    void theSpanCutsAtTheLeftEdgeAndOldPointsGo()
    {
        PlotHistory h(1);
        feed(h, 0.0, 200.0, 0.1, [](double t) { return t; });
        const auto runs = h.visible(0, 200.0, 10.0, 100000);
        QCOMPARE(runs.size(), 1);
        // One point before the edge, so the line enters the chart, then 101 points in it.
        QCOMPARE(runs[0].size(), 102);
        QVERIFY(runs[0].first().x() < -10.0 && runs[0].first().x() > -10.2);
        QCOMPARE(runs[0].last().x(), 0.0);
        QVERIFY(qAbs(runs[0].last().y() - 200.0) < 1e-3);
        // Two minutes are kept, not more.
        QVERIFY(h.pointCount(0) <= 1202);
        const auto all = h.visible(0, 200.0, 120.0, 100000);
        QVERIFY(all[0].first().x() >= -120.2);
        // A span ending in the past (a paused view) stops at its end.
        const auto past = h.visible(0, 150.0, 10.0, 100000);
        QCOMPARE(past[0].last().x(), 0.0);
        QVERIFY(qAbs(past[0].last().y() - 150.0) < 1e-3);
    }

    void decimationKeepsTheExtremesAndTheOrder()
    {
        PlotHistory h(1);
        int k = 0;
        for (double t = 0; t < 10.0; t += 0.002, ++k) {
            float v = float(std::sin(t * 3.0));
            if (k == 1234)
                v = 100.0f; // one-frame spikes
            if (k == 3210)
                v = -80.0f;
            const float values[] = {v};
            h.addFrame(t, values);
        }
        const auto runs = h.visible(0, 10.0, 10.0, 200);
        QCOMPARE(runs.size(), 1);
        QVERIFY(runs[0].size() <= 2 * 200 + 2);
        QVERIFY(runs[0].size() > 200);
        double top = -1e9, bottom = 1e9;
        for (qsizetype i = 0; i < runs[0].size(); ++i) {
            top = qMax(top, runs[0][i].y());
            bottom = qMin(bottom, runs[0][i].y());
            if (i > 0)
                QVERIFY(runs[0][i].x() >= runs[0][i - 1].x());
        }
        QCOMPARE(top, 100.0);
        QCOMPARE(bottom, -80.0);
        // The same count whatever the rate: 5000 frames or 500 give at most 2 per bucket.
        PlotHistory slow(1);
        feed(slow, 0.0, 10.0, 0.02, [](double t) { return std::sin(t); });
        QVERIFY(pointsIn(slow.visible(0, 10.0, 10.0, 200)) <= 402);
    }

    void valueNearFindsTheClosestPointButNotAcrossAGap()
    {
        PlotHistory h(1);
        feed(h, 0.0, 1.0, 0.1, [](double t) { return t * 10; });
        feed(h, 3.0, 4.0, 0.1, [](double t) { return t * 10; });
        QCOMPARE(h.valueNear(0, 0.52), 5.0f);
        QCOMPARE(h.valueNear(0, 0.58), 6.0f);
        QCOMPARE(h.valueNear(0, 3.0), 30.0f);
        QVERIFY(std::isnan(h.valueNear(0, 2.0)));
        QVERIFY(std::isnan(h.valueNear(0, 1.05)));
        QVERIFY(std::isnan(h.valueNear(0, 9.0)));
        QVERIFY(std::isnan(PlotHistory(1).valueNear(0, 0.0)));
    }

    void daysOfRunningKeepTimesExact()
    {
        PlotHistory h(1);
        feed(h, 0.0, 1.0, 0.1, [](double) { return -5.0; });
        // Past the range of the stored ticks (about 59 hours).
        feed(h, 250000.0, 250001.0, 0.1, [](double t) { return t - 250000.0; });
        const auto runs = h.visible(0, 250001.0, 120.0, 100000);
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs[0].size(), 11);
        QVERIFY(qAbs(runs[0].first().x() + 1.0) < 1e-3);
        QVERIFY(qAbs(runs[0].first().y()) < 1e-3);
        QCOMPARE(runs[0].last().x(), 0.0);
    }

    void framesFillTheirChannels()
    {
        const auto& ch = plotChannels();
        QCOMPARE(ch[0].name, QStringLiteral("Roll"));
        QCOMPARE(ch[3].name, QStringLiteral("Hx"));
        QCOMPARE(ch[6].name, QStringLiteral("F4"));
        QCOMPARE(ch[16].name, QStringLiteral("F18"));
        QCOMPARE(ch[20].name, QStringLiteral("Value4"));

        Measurement f = frame('F', 18);
        f.phi = 1.0f; // radians
        f.theta = -0.5f;
        f.psi = 3.0f;
        f.values[14] = std::numeric_limits<float>::infinity(); // Hy
        f.values[15] = 2e9f;                                   // Hz: out of range
        ChannelValues v = channelValues(f);
        QVERIFY(qAbs(v[0] - 57.29578f) < 1e-3f);
        QVERIFY(qAbs(v[1] + 28.64789f) < 1e-3f);
        QVERIFY(qAbs(v[2] - 171.88734f) < 1e-3f);
        QCOMPARE(v[3], 140.0f);
        QVERIFY(std::isnan(v[4]));
        QVERIFY(std::isnan(v[5]));
        QCOMPARE(v[6], 40.0f);   // F4
        QCOMPARE(v[15], 130.0f); // F13
        QCOMPARE(v[16], 180.0f); // F18; the step code (170) is nowhere
        for (float x : v)
            QVERIFY(x != 170.0f);
        QVERIFY(std::isnan(v[17]));

        const Measurement g = frame('G', 7);
        v = channelValues(g);
        QCOMPARE(v[17], 40.0f);
        QCOMPARE(v[20], 70.0f);
        QVERIFY(std::isnan(v[3]));
        QCOMPARE(v[0], 0.0f);

        v = channelValues(frame('R', 6));
        QCOMPARE(v[3], 40.0f);
        QCOMPARE(v[5], 60.0f);
        QVERIFY(std::isnan(v[6]));

        // C carries no angles: nothing at all.
        for (float x : channelValues(frame('C', 8)))
            QVERIFY(std::isnan(x));
        // A short F frame: angles, no field.
        v = channelValues(frame('F', 3));
        QCOMPARE(v[0], 0.0f);
        QVERIFY(std::isnan(v[3]));
    }

    void valueAxisRangesAreRoundAndHoldTheData()
    {
        const AxisRange r = niceRange(0.3, 9.3);
        QVERIFY(r.low <= 0.3 && r.high >= 9.3);
        QCOMPARE(r.step, 2.0);
        QCOMPARE(std::fmod(r.low, r.step), 0.0);
        QCOMPARE(std::fmod(r.high, r.step), 0.0);

        const AxisRange angles = niceRange(-178.0, 179.0);
        QCOMPARE(angles.step, 100.0);
        QCOMPARE(angles.low, -200.0);
        QCOMPARE(angles.high, 200.0);

        const AxisRange flat = niceRange(5.0, 5.0);
        QVERIFY(flat.low < 5.0 && flat.high > 5.0);
        const AxisRange zero = niceRange(0.0, 0.0);
        QVERIFY(zero.low < 0.0 && zero.high > 0.0);

        const AxisRange none = niceRange(std::numeric_limits<double>::infinity(),
                                         -std::numeric_limits<double>::infinity());
        QCOMPARE(none.low, -1.0);
        QCOMPARE(none.high, 1.0);

        const AxisRange huge = niceRange(-1e9, 1e9);
        QVERIFY(std::isfinite(huge.low) && std::isfinite(huge.high) && huge.high >= 1e9);

        // Ends that are not numbers, the wrong way round, or too far apart to measure give
        // the empty range.
        const double nan = std::numeric_limits<double>::quiet_NaN();
        for (const auto& [low, high] :
             QList<std::pair<double, double>>{{nan, 1.0},
                                              {1.0, nan},
                                              {3.0, 2.0},
                                              {-std::numeric_limits<double>::infinity(), 5.0},
                                              {5.0, std::numeric_limits<double>::infinity()},
                                              {-1e308, 1e308},
                                              {0.0, 1.7e308}}) {
            const AxisRange r = niceRange(low, high);
            QVERIFY2(r.low == -1.0 && r.high == 1.0 && r.step == 0.5,
                     qPrintable(QString("%1 to %2").arg(low).arg(high)));
        }
        const AxisRange negative = niceRange(-0.42, -0.4);
        QVERIFY(negative.low <= -0.42 && negative.high >= -0.4 && negative.high < 0);
        QCOMPARE(negative.step, 0.005);
    }

    // Frames too short for a channel leave it empty; angles out of range are left out.
    void shortFramesLeaveTheirMissingChannelsEmpty()
    {
        ChannelValues v = channelValues(frame('R', 4));
        QCOMPARE(v[3], 40.0f);
        QVERIFY(std::isnan(v[4]) && std::isnan(v[5]));
        v = channelValues(frame('G', 5));
        QCOMPARE(v[17], 40.0f);
        QCOMPARE(v[18], 50.0f);
        QVERIFY(std::isnan(v[19]) && std::isnan(v[20]));
        v = channelValues(frame('F', 16));
        QCOMPARE(v[5], 160.0f);
        QCOMPARE(v[15], 130.0f);
        QVERIFY(std::isnan(v[16]));
        Measurement wild = frame('G', 7);
        wild.phi = std::numeric_limits<float>::infinity();
        wild.theta = std::numeric_limits<float>::quiet_NaN();
        wild.psi = 1e8f;
        v = channelValues(wild);
        QVERIFY(std::isnan(v[0]) && std::isnan(v[1]) && std::isnan(v[2]));
        QCOMPARE(v[20], 70.0f);
        v = channelValues(frame('X', 18));
        for (float x : v)
            QVERIFY(std::isnan(x));
    }

    // Nothing to show: an empty channel, a span of no length, no buckets.
    void emptyAsksGiveNoRuns()
    {
        PlotHistory h(2);
        QVERIFY(h.isEmpty());
        QVERIFY(h.visible(0, 0.0, 10.0, 100).isEmpty());
        feed(h, 0.0, 1.0, 0.1, [](double) { return 1.0; });
        QVERIFY(!h.isEmpty());
        QCOMPARE(h.newest(), 1.0);
        QVERIFY(h.visible(1, 1.0, 10.0, 100).isEmpty());
        QVERIFY(h.visible(0, 1.0, 0.0, 100).isEmpty());
        QVERIFY(h.visible(0, 1.0, -5.0, 100).isEmpty());
        QVERIFY(h.visible(0, 1.0, 10.0, 0).isEmpty());
        QCOMPARE(h.visible(0, 1.0, 10.0, 1).size(), 1);
        // A span that ends before the first frame: nothing in it.
        QVERIFY(h.visible(0, -5.0, 2.0, 100).isEmpty());
        QVERIFY(std::isnan(h.valueNear(1, 0.5)));
    }

    // A pause longer than the kept time leaves no gap marker ahead of the new frames.
    void aPauseLongerThanTheKeptTimeLeavesNothingBehind()
    {
        PlotHistory h(1);
        feed(h, 0.0, 1.0, 0.1, [](double) { return 1.0; });
        feed(h, 200.0, 201.0, 0.1, [](double) { return 2.0; });
        QCOMPARE(h.pointCount(0), 11);
        const auto runs = h.visible(0, 201.0, 120.0, 100000);
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs[0].size(), 11);
        QCOMPARE(runs[0].first().x(), -1.0);
        QCOMPARE(runs[0].first().y(), 2.0);
        QVERIFY(std::isnan(h.valueNear(0, 150.0)));
    }

    // Frames without a break for more than the stored ticks reach (about 59 hours): the
    // recent points keep their times and values, and frames go on being added.
    void twoDaysWithoutABreakKeepTimesExact()
    {
        PlotHistory h(1);
        feed(h, 0.0, 216000.0, 1.0, [](double t) { return std::fmod(t, 1000.0); });
        const auto runs = h.visible(0, 216000.0, 10.0, 100000);
        QCOMPARE(runs.size(), 1);
        // The ten seconds and the point before them.
        QCOMPARE(runs[0].size(), 12);
        for (qsizetype k = 0; k < runs[0].size(); ++k) {
            QCOMPARE(runs[0][k].x(), double(k) - 11.0);
            QCOMPARE(runs[0][k].y(), std::fmod(215989.0 + double(k), 1000.0));
        }
        QVERIFY(h.pointCount(0) <= 122);
        QCOMPARE(h.valueNear(0, 215950.0), 950.0f);
        feed(h, 216001.0, 216002.0, 1.0, [](double) { return 5.0; });
        QCOMPARE(h.visible(0, 216002.0, 2.0, 100).first().last(), QPointF(0.0, 5.0));
    }

    // Slow frames for a long time move the ring's start round; a burst then grows it: every
    // point stays, in order.
    void aRingGrowingAfterItWentRoundKeepsItsOrder()
    {
        PlotHistory h(1);
        feed(h, 0.0, 300.0, 1.0, [](double t) { return t; });
        QVERIFY(h.pointCount(0) <= 122);
        feed(h, 300.01, 310.0, 0.01, [](double t) { return t; });
        QVERIFY(h.pointCount(0) > 1000);
        const auto runs = h.visible(0, 310.0, 120.0, 1000000);
        QCOMPARE(runs.size(), 1);
        for (qsizetype i = 1; i < runs[0].size(); ++i) {
            QVERIFY(runs[0][i].x() > runs[0][i - 1].x());
            QVERIFY(qAbs(runs[0][i].x() + 310.0 - runs[0][i].y()) < 2e-3);
        }
        QVERIFY(runs[0].first().x() <= -120.0);
        QVERIFY(qAbs(runs[0].last().y() - 310.0) < 1e-3);
        QCOMPARE(h.valueNear(0, 250.0), 250.0f);
        QVERIFY(qAbs(h.valueNear(0, 305.004) - 305.0f) < 1e-3f);
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestPlotHistory)
#include "tst_PlotHistory.moc"
