// The frames behind the plots: two minutes kept, the span cut out of them, and the export of
// a span that holds no frame.

#include "plots/PlotExport.h"
#include "plots/PlotFrames.h"

#include <QtTest>

namespace {

Measurement frame(char kind, float first)
{
    Measurement m;
    m.kind = kind;
    m.values = {first, first + 1, first + 2};
    return m;
}

QList<double> timesOf(const QList<PlotFrames::Frame>& frames)
{
    QList<double> times;
    for (const PlotFrames::Frame& f : frames)
        times.append(f.t);
    return times;
}

} // namespace

class TestPlotFrames : public QObject
{
    Q_OBJECT
private slots:
    // One frame a second for 130 s: the last 120 s stay (t = 10 to 130), the oldest go.
    void framesOfTheLastTwoMinutesStay()
    {
        PlotFrames frames(120.0);
        for (int t = 0; t <= 130; ++t)
            frames.add(t, frame('G', float(t)));
        QCOMPARE(frames.size(), 121);
        const QList<PlotFrames::Frame> all = frames.inSpan(130, 1000);
        QCOMPARE(all.first().t, 10.0);
        QCOMPARE(all.first().kind, 'G');
        QCOMPARE(all.first().values, (QList<float>{10, 11, 12}));
        QCOMPARE(all.last().t, 130.0);
    }

    // The span from end - span to end, both ends included; an end in the past (a paused view)
    // leaves out what came after it.
    void theSpanIsCutAtBothEnds()
    {
        PlotFrames frames(120.0);
        for (int t = 0; t <= 30; ++t)
            frames.add(t, frame('F', float(t)));
        QCOMPARE(timesOf(frames.inSpan(30, 3)), (QList<double>{27, 28, 29, 30}));
        QCOMPARE(timesOf(frames.inSpan(20.5, 2)), (QList<double>{19, 20}));
        QVERIFY(frames.inSpan(-5, 2).isEmpty());
        QVERIFY(PlotFrames(120.0).inSpan(10, 10).isEmpty());
    }

    // A clock that steps back (a frame stamped earlier than the one before) keeps the frames
    // in order: the late frame takes the newest time.
    void aClockSteppingBackKeepsTheOrder()
    {
        PlotFrames frames(120.0);
        frames.add(5.0, frame('R', 1));
        frames.add(4.0, frame('R', 2));
        frames.add(6.0, frame('R', 3));
        const QList<PlotFrames::Frame> all = frames.inSpan(6.0, 10);
        QCOMPARE(timesOf(all), (QList<double>{5.0, 5.0, 6.0}));
        QCOMPARE(all[1].values.first(), 2.0f);
    }

    // No frame in the span: the comment line, the kinds' lines and the header row alone.
    void csvOfNoFramesIsTheHeadingAlone()
    {
        const QDateTime ended(QDate(2026, 12, 8), QTime(14, 5, 30));
        QCOMPARE(plotsCsv({}, ended, 30),
                 QByteArray("# Skyvane plots export, 30 s ending 2026-12-08T14:05:30, 0 frames\n"
                            "# G columns: time,kind,phi,theta,psi,value1,value2,value3,value4\n"
                            "# R columns: time,kind,phi,theta,psi,hx,hy,hz\n"
                            "# C columns: time,kind,f1,f2,f3,f4,f5,f6,f7,value\n"
                            "time,kind,phi,theta,psi,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13,hx,hy,hz,"
                            "code,f18\n"));
        // Times count from the first frame of the span.
        const QList<PlotFrames::Frame> two = {{100.25, 'R', {1.5f}}, {100.5, 'G', {}}};
        QVERIFY(plotsCsv(two, ended, 10).endsWith("\n0.000000,R,1.5\n0.250000,G\n"));
    }
};

#include "support/TestMain.h"

QTEST_APPLESS_MAIN(TestPlotFrames)
#include "tst_PlotFrames.moc"
