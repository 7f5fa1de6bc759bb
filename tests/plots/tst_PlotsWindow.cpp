#include "plots/PlotsWindow.h"
#include "protocol/MeasurementStream.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QValueAxis>
#include <QtTest>

#include <memory>

namespace {

constexpr double kDegree = 0.017453292519943295;

Measurement frameF(double rollDegrees, float hx = 0.25f)
{
    Measurement m;
    m.kind = 'F';
    m.values = QList<float>(18, 0.0f);
    m.values[0] = float(rollDegrees * kDegree);
    m.values[13] = hx;
    m.phi = float(rollDegrees * kDegree);
    m.theta = 0.1f;
    m.psi = 0.2f;
    return m;
}

QChartView* chartWith(PlotsWindow& w, const QString& axisTitle)
{
    for (QChartView* v : w.findChildren<QChartView*>())
        for (QAbstractAxis* a : v->chart()->axes(Qt::Vertical))
            if (a->titleText() == axisTitle)
                return v;
    return nullptr;
}

// The runs the chart shows for a channel: its line series that have points.
QList<QList<QPointF>> drawnRuns(PlotsWindow& w, const QString& channel)
{
    QList<QList<QPointF>> runs;
    for (QChartView* v : w.findChildren<QChartView*>())
        for (QAbstractSeries* s : v->chart()->series())
            if (s->name() == channel && !static_cast<QLineSeries*>(s)->points().isEmpty())
                runs.append(static_cast<QLineSeries*>(s)->points());
    return runs;
}

double highestDrawn(PlotsWindow& w, const QString& channel)
{
    double top = -1e300;
    for (const auto& run : drawnRuns(w, channel))
        for (const QPointF& p : run)
            top = qMax(top, p.y());
    return top;
}

QValueAxis* valueAxis(QChartView* v)
{
    return static_cast<QValueAxis*>(v->chart()->axes(Qt::Vertical).first());
}

QCheckBox* check(PlotsWindow& w, const QString& text)
{
    for (QCheckBox* c : w.findChildren<QCheckBox*>())
        if (c->text() == text)
            return c;
    return nullptr;
}

// Moves the mouse over the chart to the given time (seconds before the right edge).
void pointAt(QChartView* v, double seconds, double span)
{
    const QRectF area = v->chart()->plotArea();
    const QPointF inChart(area.left() + area.width() * (seconds + span) / span, area.center().y());
    const QPoint inViewport = v->mapFromScene(v->chart()->mapToScene(inChart));
    QMouseEvent move(QEvent::MouseMove, inViewport, v->viewport()->mapToGlobal(inViewport),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(v->viewport(), &move);
}

} // namespace

class TestPlotsWindow : public QObject
{
    Q_OBJECT
private:
    MeasurementStream m_stream;
    std::unique_ptr<PlotsWindow> m_window;
    double m_clock = 0;

    // Frames every dt seconds of the test clock from now on for the given time.
    void publishFor(double seconds, double dt, double rollDegrees)
    {
        const double end = m_clock + seconds;
        for (; m_clock < end - 1e-9; m_clock += dt)
            m_stream.publish(frameF(rollDegrees));
    }
    void waitForRedraw()
    {
        const qint64 before = m_window->redrawCount();
        QTRY_VERIFY(m_window->redrawCount() > before);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init()
    {
        m_clock = 0;
        m_window = std::make_unique<PlotsWindow>(m_stream);
        m_window->setClock([this] { return m_clock; });
    }
    void cleanup() { m_window.reset(); }

    void listensForItsWholeLife()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Plots"));
        QCOMPARE(m_stream.listenerCount(), 1);
        m_window.reset();
        QCOMPARE(m_stream.listenerCount(), 0);
        m_stream.publish(frameF(1)); // nobody left to call
    }

    void offersTheSpansAndPause()
    {
        auto* spans = m_window->findChild<QComboBox*>();
        QVERIFY(spans);
        QCOMPARE(spans->count(), 3);
        QCOMPARE(spans->itemText(0), QStringLiteral("10 s"));
        QCOMPARE(spans->itemText(1), QStringLiteral("30 s"));
        QCOMPARE(spans->itemText(2), QStringLiteral("2 min"));
        auto* pause = m_window->findChild<QPushButton*>();
        QCOMPARE(pause->text(), QStringLiteral("Pause"));
        pause->click();
        QCOMPARE(pause->text(), QStringLiteral("Resume"));
        pause->click();
        QCOMPARE(pause->text(), QStringLiteral("Pause"));
        for (const char* name :
             {"Roll", "Pitch", "Heading", "Hx", "Hy", "Hz", "F4", "F13", "F18", "Value1", "Value4"})
            QVERIFY2(check(*m_window, QString::fromLatin1(name)), name);
    }

    void drawsOnlyWhenShownAndNeverPerFrame()
    {
        publishFor(1.0, 0.002, 5);
        QTest::qWait(100);
        QCOMPARE(m_window->redrawCount(), 0);

        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        // The first redraw may come while the window is being exposed (on a loaded machine it
        // does): counted from before the show.
        QTRY_VERIFY(m_window->redrawCount() > 0);
        QCOMPARE(drawnRuns(*m_window, QStringLiteral("Roll")).size(), 1);

        // 150 frames, the event loop running about 2 ms after each: the redraws keep to the
        // screen's pace (one per 16 ms of the real time it took at most), not the frames'.
        const qint64 before = m_window->redrawCount();
        QElapsedTimer took;
        took.start();
        const int frames = 150;
        for (int k = 0; k < frames; ++k) {
            m_clock += 0.002;
            m_stream.publish(frameF(5));
            // An event loop, not qWait, which sleeps 10 ms between its rounds.
            QEventLoop loop;
            QTimer::singleShot(2, &loop, &QEventLoop::quit);
            loop.exec();
        }
        const qint64 redraws = m_window->redrawCount() - before;
        QVERIFY(redraws >= 1);
        QVERIFY2(
            redraws <= took.elapsed() / 16 + 1,
            qPrintable(QStringLiteral("%1 redraws in %2 ms").arg(redraws).arg(took.elapsed())));
    }

    void aPauseInTheStreamShowsAsAGap()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        publishFor(2.0, 0.033, 10);
        m_clock += 2.0; // nothing for 2 s
        publishFor(2.0, 0.033, -10);
        waitForRedraw();
        const auto roll = drawnRuns(*m_window, QStringLiteral("Roll"));
        QCOMPARE(roll.size(), 2);
        QVERIFY(roll[0].last().x() < -3.9 && roll[0].last().x() > -4.1);
        QVERIFY(roll[1].first().x() > -2.05 && roll[1].first().x() < -1.95);
        QCOMPARE(drawnRuns(*m_window, QStringLiteral("Hx")).size(), 2);
        // After the gap, one run again: the spare series are emptied.
        m_clock += 20.0;
        publishFor(1.0, 0.033, 0);
        waitForRedraw();
        QCOMPARE(drawnRuns(*m_window, QStringLiteral("Roll")).size(), 1);
    }

    void pauseFreezesTheCurvesAndResumeJumpsToTheNewest()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QChartView* angles = chartWith(*m_window, QStringLiteral("Angles (°)"));
        QVERIFY(angles);
        publishFor(2.0, 0.033, 10);
        waitForRedraw();
        QVERIFY(qAbs(highestDrawn(*m_window, QStringLiteral("Roll")) - 10.0) < 1e-3);
        QVERIFY(valueAxis(angles)->max() >= 10.0 && valueAxis(angles)->max() < 50.0);

        m_window->findChild<QPushButton*>()->click();
        const auto frozen = drawnRuns(*m_window, QStringLiteral("Roll"));
        publishFor(2.0, 0.033, 50);
        QTest::qWait(300);
        QCOMPARE(drawnRuns(*m_window, QStringLiteral("Roll")), frozen);
        QVERIFY(valueAxis(angles)->max() < 50.0);

        m_window->findChild<QPushButton*>()->click();
        waitForRedraw();
        QVERIFY(qAbs(highestDrawn(*m_window, QStringLiteral("Roll")) - 50.0) < 1e-3);
        QVERIFY(valueAxis(angles)->max() >= 50.0);
        QVERIFY(valueAxis(angles)->min() <= 0.1 * 57.29); // pitch
    }

    void theSpanChoiceSetsTheTimeAxisOfEveryChart()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        publishFor(60.0, 0.05, 10);
        waitForRedraw();
        QVERIFY(drawnRuns(*m_window, QStringLiteral("Roll"))[0].first().x() >= -10.1);
        m_window->findChild<QComboBox*>()->setCurrentIndex(2); // "2 min"
        waitForRedraw();
        for (QChartView* v : m_window->findChildren<QChartView*>()) {
            auto* time = static_cast<QValueAxis*>(v->chart()->axes(Qt::Horizontal).first());
            QCOMPARE(time->min(), -120.0);
            QCOMPARE(time->max(), 0.0);
        }
        const auto roll = drawnRuns(*m_window, QStringLiteral("Roll"));
        QCOMPARE(roll.size(), 1);
        QVERIFY(qAbs(roll[0].first().x() + 60.0) < 0.1);
    }

    void checkBoxesChooseTheCurvesAndCharts()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        publishFor(1.0, 0.033, 10);
        waitForRedraw();
        QVERIFY(!drawnRuns(*m_window, QStringLiteral("Roll")).isEmpty());
        QVERIFY(drawnRuns(*m_window, QStringLiteral("F4")).isEmpty()); // off at start
        check(*m_window, QStringLiteral("Roll"))->setChecked(false);
        check(*m_window, QStringLiteral("F4"))->setChecked(true);
        waitForRedraw();
        QVERIFY(drawnRuns(*m_window, QStringLiteral("Roll")).isEmpty());
        QCOMPARE(drawnRuns(*m_window, QStringLiteral("F4")).size(), 1);

        QChartView* field = chartWith(*m_window, QStringLiteral("Field"));
        QVERIFY(field->isVisible());
        for (const char* name : {"Hx", "Hy", "Hz"})
            check(*m_window, QString::fromLatin1(name))->setChecked(false);
        QVERIFY(!field->isVisible());
        // Any one channel of the group brings its chart back.
        check(*m_window, QStringLiteral("Hz"))->setChecked(true);
        QVERIFY(field->isVisible());
        waitForRedraw();
        QCOMPARE(drawnRuns(*m_window, QStringLiteral("Hz")).size(), 1);
        QVERIFY(drawnRuns(*m_window, QStringLiteral("Hx")).isEmpty());
    }

    void theReadoutShowsTheValuesUnderTheMouse()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        publishFor(5.0, 0.033, 10);
        publishFor(5.0, 0.033, 30);
        waitForRedraw();
        auto* readout = m_window->findChild<QLabel*>(QStringLiteral("readout"));
        QChartView* angles = chartWith(*m_window, QStringLiteral("Angles (°)"));

        pointAt(angles, -2.5, 10.0);
        QVERIFY2(readout->text().contains(QStringLiteral("Roll 30.00°")),
                 qPrintable(readout->text()));
        QVERIFY(readout->text().contains(QStringLiteral("Hx 0.25")));
        // Starts with the time under the mouse, to a pixel.
        QVERIFY2(qAbs(readout->text().section(QLatin1Char(' '), 0, 0).toDouble() + 2.5) < 0.03,
                 qPrintable(readout->text()));
        pointAt(angles, -7.5, 10.0);
        QVERIFY2(readout->text().contains(QStringLiteral("Roll 10.00°")),
                 qPrintable(readout->text()));
        // Unchecked channels are not read out.
        QVERIFY(!readout->text().contains(QStringLiteral("F4 ")));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(angles->viewport(), &leave);
        QVERIFY(!readout->text().contains(QStringLiteral("Roll")));
    }

    // Left of the time axis is no time; where the history has nothing the value reads "-";
    // a value too long for two decimals reads in four significant digits.
    void theReadoutOutsideTheDataAndOfLargeValues()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        for (const double end = m_clock + 2.0; m_clock < end - 1e-9; m_clock += 0.033)
            m_stream.publish(frameF(10, 250000.0f));
        waitForRedraw();
        auto* readout = m_window->findChild<QLabel*>(QStringLiteral("readout"));
        QChartView* angles = chartWith(*m_window, QStringLiteral("Angles (°)"));

        pointAt(angles, -1.0, 10.0);
        QVERIFY2(readout->text().contains(QStringLiteral("   Roll 10.00°   ")),
                 qPrintable(readout->text()));
        QVERIFY2(readout->text().contains(QStringLiteral("   Hx 2.5e+05   ")),
                 qPrintable(readout->text()));
        pointAt(angles, -7.5, 10.0);
        QVERIFY2(readout->text().contains(QStringLiteral("   Roll -   ")),
                 qPrintable(readout->text()));
        QVERIFY2(readout->text().contains(QStringLiteral("   Hx -   ")),
                 qPrintable(readout->text()));
        pointAt(angles, 0.1, 10.0);
        QCOMPARE(readout->text(),
                 QStringLiteral("Point at a chart to read the values at that time."));
        pointAt(angles, -1.0, 10.0);
        QVERIFY(readout->text().contains(QStringLiteral("Roll 10.00°")));
        pointAt(angles, -11.0, 10.0);
        QCOMPARE(readout->text(),
                 QStringLiteral("Point at a chart to read the values at that time."));
    }

    // Paused, the readout reads the frozen curves: the time under the mouse counts from the
    // moment of the pause, not from now.
    void thePausedReadoutReadsTheFrozenCurves()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        publishFor(3.0, 0.033, 10);
        waitForRedraw();
        m_window->findChild<QPushButton*>()->click();
        publishFor(3.0, 0.033, 40);
        auto* readout = m_window->findChild<QLabel*>(QStringLiteral("readout"));
        pointAt(chartWith(*m_window, QStringLiteral("Angles (°)")), -1.0, 10.0);
        QVERIFY2(readout->text().contains(QStringLiteral("Roll 10.00°")),
                 qPrintable(readout->text()));
        m_window->findChild<QPushButton*>()->click();
        pointAt(chartWith(*m_window, QStringLiteral("Angles (°)")), -1.0, 10.0);
        QVERIFY2(readout->text().contains(QStringLiteral("Roll 40.00°")),
                 qPrintable(readout->text()));
    }

    // With no frames coming the curves move left now and then, so a stall shows; once the
    // last frame has left the span, or while paused, nothing is drawn again.
    void aStalledStreamMovesLeftUntilItLeavesTheSpan()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        // Before any frame: drawn once shown, then left alone.
        QTRY_VERIFY(m_window->redrawCount() > 0);
        QTest::qWait(50);
        const qint64 empty = m_window->redrawCount();
        m_clock += 1.0;
        QTest::qWait(600);
        QCOMPARE(m_window->redrawCount(), empty);
        publishFor(1.0, 0.033, 10);
        waitForRedraw();
        QTest::qWait(50);
        m_clock += 3.0;
        waitForRedraw();
        const auto moved = drawnRuns(*m_window, QStringLiteral("Roll"));
        QCOMPARE(moved.size(), 1);
        QVERIFY2(qAbs(moved[0].last().x() + 3.0) < 0.05,
                 qPrintable(QString::number(moved[0].last().x())));

        m_clock += 20.0;
        const qint64 gone = m_window->redrawCount();
        QTest::qWait(700);
        QCOMPARE(m_window->redrawCount(), gone);
        QCOMPARE(drawnRuns(*m_window, QStringLiteral("Roll")), moved);

        publishFor(1.0, 0.033, 10);
        waitForRedraw();
        m_window->findChild<QPushButton*>()->click();
        waitForRedraw();
        QTest::qWait(50);
        const qint64 paused = m_window->redrawCount();
        m_clock += 2.0;
        QTest::qWait(700);
        QCOMPARE(m_window->redrawCount(), paused);
    }

    // Hidden, the window draws nothing but keeps every frame: shown again, it draws them.
    void hiddenItKeepsRecordingAndDrawsWhenShownAgain()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        publishFor(1.0, 0.033, 10);
        waitForRedraw();
        m_window->hide();
        const qint64 hidden = m_window->redrawCount();
        publishFor(2.0, 0.033, 30);
        m_clock += 0.5;
        QTest::qWait(600);
        QCOMPARE(m_window->redrawCount(), hidden);

        m_window->show();
        waitForRedraw();
        const auto roll = drawnRuns(*m_window, QStringLiteral("Roll"));
        QCOMPARE(roll.size(), 1);
        QVERIFY(qAbs(roll[0].last().x() + 0.5) < 0.08);
        QVERIFY(qAbs(highestDrawn(*m_window, QStringLiteral("Roll")) - 30.0) < 1e-3);
    }

    // Without a clock given, frames are stamped on a monotonic clock of real time: a curve
    // drawn later has moved left by the time that passed.
    void withoutAGivenClockRealTimeMovesTheCurves()
    {
        PlotsWindow window(m_stream);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        m_stream.publish(frameF(10));
        QTest::qWait(20);
        m_stream.publish(frameF(10));
        const qint64 before = window.redrawCount();
        QTRY_VERIFY(window.redrawCount() > before);
        const auto first = drawnRuns(window, QStringLiteral("Roll"));
        QCOMPARE(first.size(), 1);
        QElapsedTimer waited;
        waited.start();
        QTest::qWait(600);
        const qint64 idle = window.redrawCount();
        QTRY_VERIFY(window.redrawCount() > idle);
        const auto later = drawnRuns(window, QStringLiteral("Roll"));
        QCOMPARE(later.size(), 1);
        const double moved = first[0].last().x() - later[0].last().x();
        QVERIFY2(moved >= 0.55 && moved <= waited.elapsed() / 1000.0 + 0.05,
                 qPrintable(QString::number(moved)));
    }

    // Each span has its own tick spacing on the time axes: 1 s, 5 s, 20 s.
    void eachSpanHasItsTicks()
    {
        auto* spans = m_window->findChild<QComboBox*>();
        const auto ticks = [this] {
            QList<double> out;
            for (QChartView* v : m_window->findChildren<QChartView*>())
                out << static_cast<QValueAxis*>(v->chart()->axes(Qt::Horizontal).first())
                           ->tickInterval();
            return out;
        };
        QCOMPARE(ticks(), (QList<double>{1, 1, 1}));
        spans->setCurrentIndex(1);
        QCOMPARE(ticks(), (QList<double>{5, 5, 5}));
        auto* time = static_cast<QValueAxis*>(
            chartWith(*m_window, QStringLiteral("Field"))->chart()->axes(Qt::Horizontal).first());
        QCOMPARE(time->min(), -30.0);
        spans->setCurrentIndex(2);
        QCOMPARE(ticks(), (QList<double>{20, 20, 20}));
        spans->setCurrentIndex(0);
        QCOMPARE(ticks(), (QList<double>{1, 1, 1}));
        QCOMPARE(time->min(), -10.0);
    }

    // A listener ahead of the window may close it while a frame is handed round: the window
    // is not called after it is gone, and the listeners after it still are.
    void aWindowDeletedWhileAFrameIsHandedRoundIsNotCalled()
    {
        MeasurementStream stream;
        std::unique_ptr<PlotsWindow> window;
        int after = 0;
        stream.subscribe([&window](const Measurement&) { window.reset(); });
        window = std::make_unique<PlotsWindow>(stream);
        stream.subscribe([&after](const Measurement&) { ++after; });
        QCOMPARE(stream.listenerCount(), 3);
        stream.publish(frameF(1));
        QVERIFY(!window);
        QCOMPARE(after, 1);
        QCOMPARE(stream.listenerCount(), 2);
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestPlotsWindow)
#include "tst_PlotsWindow.moc"
