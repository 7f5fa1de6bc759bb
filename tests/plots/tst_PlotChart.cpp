// One of the stacked charts: its value labels, time ticks, series kept for reuse, the fixed
// room around the plot area and the cost of its paints.

#include "plots/PlotChart.h"
#include "support/PlatformSkip.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>
#include <QWidget>
#include <QtTest>

namespace {

QCategoryAxis* valueAxis(const PlotChart& chart)
{
    return static_cast<QCategoryAxis*>(chart.chart()->axes(Qt::Vertical).first());
}

QValueAxis* timeAxis(const PlotChart& chart)
{
    return static_cast<QValueAxis*>(chart.chart()->axes(Qt::Horizontal).first());
}

QList<QList<QPointF>> seriesPoints(const PlotChart& chart)
{
    QList<QList<QPointF>> out;
    for (QAbstractSeries* s : chart.chart()->series())
        out.append(static_cast<QLineSeries*>(s)->points());
    return out;
}

} // namespace

class TestPlotChart : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // One label per step with the step's decimals; a new range that differs in any of its
    // three figures replaces every label.
    void valueLabelsFollowTheRange()
    {
        QWidget parent;
        PlotChart chart(QStringLiteral("Field"), &parent);
        QCategoryAxis* axis = valueAxis(chart);
        QCOMPARE(axis->titleText(), QStringLiteral("Field"));
        QCOMPARE(axis->categoriesLabels(), (QStringList{"-1.0", "-0.5", "0.0", "0.5", "1.0"}));

        chart.setValueRange({0, 10, 2});
        QCOMPARE(axis->categoriesLabels(), (QStringList{"0", "2", "4", "6", "8", "10"}));
        QCOMPARE(axis->min(), 0.0);
        QCOMPARE(axis->max(), 10.0);
        QCOMPARE(axis->endValue(QStringLiteral("4")), 4.0);
        chart.setValueRange({0, 20, 2});
        QCOMPARE(axis->categoriesLabels().size(), 11);
        QCOMPARE(axis->categoriesLabels().last(), QStringLiteral("20"));
        QCOMPARE(axis->max(), 20.0);
        chart.setValueRange({0, 20, 5});
        QCOMPARE(axis->categoriesLabels(), (QStringList{"0", "5", "10", "15", "20"}));
        chart.setValueRange({-20, 20, 5});
        QCOMPARE(axis->categoriesLabels().first(), QStringLiteral("-20"));
        QCOMPARE(axis->min(), -20.0);
        chart.setValueRange({-20, 20, 5});
        QCOMPARE(axis->categoriesLabels().size(), 9);

        // Steps summed from a low end can miss zero by a hair: it still reads 0.
        chart.setValueRange({-0.9, 0.9, 0.3});
        QCOMPARE(axis->categoriesLabels(),
                 (QStringList{"-0.9", "-0.6", "-0.3", "0.0", "0.3", "0.6", "0.9"}));
        chart.setValueRange({1000, 6000, 1000});
        QCOMPARE(axis->categoriesLabels(),
                 (QStringList{"1000", "2000", "3000", "4000", "5000", "6000"}));
        chart.setValueRange({0, 0.05, 0.01});
        QCOMPARE(axis->categoriesLabels().at(1), QStringLiteral("0.01"));
    }

    void eachSpanHasItsTimeTicks()
    {
        QWidget parent;
        PlotChart chart(QStringLiteral("Angles"), &parent);
        QValueAxis* time = timeAxis(chart);
        QCOMPARE(time->min(), -10.0);
        QCOMPARE(time->tickInterval(), 1.0);
        const QList<std::pair<double, double>> spans = {{5, 1},  {10, 1},  {20, 5},
                                                        {30, 5}, {60, 20}, {120, 20}};
        for (const auto& [span, ticks] : spans) {
            chart.setSpan(span);
            QCOMPARE(time->min(), -span);
            QCOMPARE(time->max(), 0.0);
            QCOMPARE(time->tickInterval(), ticks);
        }
    }

    // A channel shows one series per run; fewer runs later empty the spare series, which are
    // used again when runs come back, each in the channel's name and colour.
    void seriesAreKeptAndUsedAgain()
    {
        QWidget parent;
        PlotChart chart(QStringLiteral("Angles"), &parent);
        chart.addChannel(0, QStringLiteral("Roll"), QColor(220, 50, 47));
        chart.addChannel(4, QStringLiteral("Pitch"), QColor(38, 139, 60));
        const PlotHistory::Segment a = {{-3, 1}, {-2, 2}};
        const PlotHistory::Segment b = {{-1, 5}};
        const PlotHistory::Segment c = {{-0.5, 7}, {0, 8}};

        chart.setSegments(0, {a, b});
        QCOMPARE(seriesPoints(chart), (QList<QList<QPointF>>{a, b}));
        auto* first = static_cast<QLineSeries*>(chart.chart()->series().first());
        QCOMPARE(first->name(), QStringLiteral("Roll"));
        QCOMPARE(first->pen().color(), QColor(220, 50, 47));
        QCOMPARE(first->pen().width(), 1);
        QVERIFY(first->pen().isCosmetic());
        QCOMPARE(first->attachedAxes().size(), 2);

        chart.setSegments(0, {c});
        QCOMPARE(seriesPoints(chart), (QList<QList<QPointF>>{c, {}}));
        chart.setSegments(0, {});
        QCOMPARE(seriesPoints(chart), (QList<QList<QPointF>>{{}, {}}));
        chart.setSegments(0, {b, c, a});
        QCOMPARE(seriesPoints(chart), (QList<QList<QPointF>>{b, c, a}));
        QCOMPARE(chart.chart()->series().first(), first);

        chart.setSegments(4, {a});
        QCOMPARE(chart.chart()->series().size(), 4);
        QCOMPARE(chart.chart()->series().last()->name(), QStringLiteral("Pitch"));
        QCOMPARE(seriesPoints(chart).last(), a);
        QCOMPARE(seriesPoints(chart).first(), b);
    }

    // The plot area keeps fixed room for the labels at every size, and at least 10 pixels.
    void thePlotAreaKeepsItsRoom()
    {
        QWidget parent;
        parent.resize(700, 400);
        PlotChart chart(QStringLiteral("Angles"), &parent);
        chart.view()->setGeometry(0, 0, 600, 300);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QTRY_COMPARE(chart.chart()->plotArea(), QRectF(86, 8, 500, 264));
        QCOMPARE(chart.plotWidth(), 500);
        const int middle = 150;
        QVERIFY(qAbs(chart.timeAt(QPoint(86, middle)) + 10.0) < 1e-9);
        QVERIFY(qAbs(chart.timeAt(QPoint(336, middle)) + 5.0) < 1e-9);
        QVERIFY(qAbs(chart.timeAt(QPoint(586, middle))) < 1e-9);
        chart.setSpan(30);
        QVERIFY(qAbs(chart.timeAt(QPoint(336, middle)) + 15.0) < 1e-9);

        chart.view()->setGeometry(0, 0, 60, 300);
        QTRY_COMPARE(chart.chart()->plotArea(), QRectF(86, 8, 10, 264));
        QCOMPARE(chart.plotWidth(), 10);
    }

    // The view's paints are counted until they are taken.
    void paintsAreCountedUntilTaken()
    {
        SKIP_UNDER_WINE("Wine does not report the CPU a process or thread used");
        QWidget parent;
        PlotChart chart(QStringLiteral("Angles"), &parent);
        chart.view()->resize(400, 200);
        chart.addChannel(0, QStringLiteral("Roll"), Qt::red);
        QList<QPointF> many;
        for (int k = 0; k < 2000; ++k)
            many.append(QPointF(-10 + k * 0.005, (k % 7) * 0.1));
        chart.setSegments(0, {many});
        QCOMPARE(chart.takePaintSeconds(), 0.0);
        chart.view()->grab();
        const double first = chart.takePaintSeconds();
        QVERIFY2(first > 0 && first < 10, qPrintable(QString::number(first)));
        QCOMPARE(chart.takePaintSeconds(), 0.0);
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestPlotChart)
#include "tst_PlotChart.moc"
