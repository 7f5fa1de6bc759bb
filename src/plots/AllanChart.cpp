#include "plots/AllanChart.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPen>
#include <QScatterSeries>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The decade at or below and at or above a value, for axes that end on whole decades.
double decadeBelow(double v)
{
    return std::pow(10.0, std::floor(std::log10(v)));
}

double decadeAbove(double v)
{
    return std::pow(10.0, std::ceil(std::log10(v)));
}

void attach(QChart* chart, QAbstractSeries* series, QLogValueAxis* x, QLogValueAxis* y)
{
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

void hideFromLegend(QChart* chart, QAbstractSeries* series)
{
    for (QLegendMarker* marker : chart->legend()->markers(series))
        marker->setVisible(false);
}

} // namespace

AllanChart::AllanChart(QWidget* parent)
    : m_chart(new QChart), m_view(new QChartView(m_chart, parent)), m_tau(new QLogValueAxis),
      m_adev(new QLogValueAxis)
{
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->setBackgroundRoundness(0);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_tau->setTitleText(QStringLiteral("τ (s)"));
    m_tau->setLabelFormat(QStringLiteral("%g"));
    m_tau->setMinorTickCount(8);
    m_adev->setTitleText(QStringLiteral("Allan deviation σ(τ)"));
    m_adev->setLabelFormat(QStringLiteral("%g"));
    m_adev->setMinorTickCount(8);
    m_tau->setRange(0.01, 100);
    m_adev->setRange(1e-4, 1);
    m_chart->addAxis(m_tau, Qt::AlignBottom);
    m_chart->addAxis(m_adev, Qt::AlignLeft);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(480, 360);
}

AllanChart::~AllanChart()
{
    delete m_view;
}

void AllanChart::show(const std::vector<AllanResult>& results, const std::vector<QColor>& colours)
{
    m_chart->removeAllSeries();
    m_curves = m_guides = 0;
    double tauLow = std::numeric_limits<double>::infinity(), tauHigh = 0;
    double adevLow = std::numeric_limits<double>::infinity(), adevHigh = 0;
    for (const AllanResult& r : results)
        for (const AllanPoint& p : r.curve)
            if (p.adev > 0) {
                tauLow = std::min(tauLow, p.tau);
                tauHigh = std::max(tauHigh, p.tau);
                adevLow = std::min(adevLow, p.low);
                adevHigh = std::max(adevHigh, p.high);
            }
    if (!(tauHigh > 0)) {
        m_tau->setRange(0.01, 100);
        m_adev->setRange(1e-4, 1);
        return;
    }
    // A little beyond the decades, so the decades' labels at both ends are drawn.
    m_tau->setRange(decadeBelow(tauLow) / 1.25, decadeAbove(tauHigh * 1.0001) * 1.25);
    m_adev->setRange(decadeBelow(adevLow) / 1.25, decadeAbove(adevHigh * 1.0001) * 1.25);
    const double left = m_tau->min(), right = m_tau->max();

    for (std::size_t i = 0; i < results.size(); ++i) {
        const AllanResult& r = results[i];
        if (r.curve.empty())
            continue;
        const QColor colour = colours[i % colours.size()];
        const QString name = QString::fromUtf8(r.column);
        auto* upper = new QLineSeries;
        auto* lower = new QLineSeries;
        auto* curve = new QLineSeries;
        for (const AllanPoint& p : r.curve) {
            if (!(p.adev > 0))
                continue;
            upper->append(p.tau, p.high);
            lower->append(p.tau, p.low);
            curve->append(p.tau, p.adev);
        }
        auto* band = new QAreaSeries(upper, lower);
        // The area keeps its two lines but does not own them.
        upper->setParent(band);
        lower->setParent(band);
        band->setName(name + QStringLiteral(" band"));
        QColor fill = colour;
        fill.setAlpha(45);
        band->setBrush(fill);
        band->setPen(Qt::NoPen);
        attach(m_chart, band, m_tau, m_adev);
        hideFromLegend(m_chart, band);

        curve->setName(name);
        curve->setPen(QPen(colour, 2));
        curve->setPointsVisible(true);
        attach(m_chart, curve, m_tau, m_adev);
        ++m_curves;

        // The slope lines through N (at 1 s) and K (at 3 s), dashed, across the axis.
        const auto guide = [&](const NoiseTerm& term, double slope, const QString& label) {
            if (!term.reached)
                return;
            auto* line = new QLineSeries;
            for (double tau : {left, right})
                line->append(tau, term.value * std::pow(tau / term.tau, slope));
            line->setName(label);
            QPen pen(colour.darker(130), 1, Qt::DashLine);
            line->setPen(pen);
            attach(m_chart, line, m_tau, m_adev);
            hideFromLegend(m_chart, line);
            ++m_guides;
        };
        guide(r.terms.randomWalk, -0.5, name + QStringLiteral(" −½: N"));
        guide(r.terms.rateRandomWalk, 0.5, name + QStringLiteral(" +½: K"));
        if (r.terms.biasInstability.reached) {
            auto* bottom = new QScatterSeries;
            bottom->append(r.terms.biasInstability.tau,
                           r.terms.biasInstability.value * NoiseTerms::FlickerFloor);
            bottom->setName(name + QStringLiteral(" B"));
            bottom->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
            bottom->setMarkerSize(11);
            bottom->setColor(colour.darker(150));
            attach(m_chart, bottom, m_tau, m_adev);
            hideFromLegend(m_chart, bottom);
            ++m_guides;
        }
    }
}
