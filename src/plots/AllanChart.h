#pragma once

#include "analysis/AllanAnalysis.h"

#include <QColor>

#include <vector>

class QChart;
class QChartView;
class QLogValueAxis;
class QWidget;

// The Allan deviation on log-log axes: per column its curve with point markers and the band
// around it, the -1/2 and +1/2 slope lines through the N and K read off it, and the point
// of B at the bottom.
class AllanChart
{
public:
    explicit AllanChart(QWidget* parent);
    ~AllanChart();
    AllanChart(const AllanChart&) = delete;
    AllanChart& operator=(const AllanChart&) = delete;

    QChartView* view() const { return m_view; }
    QChart* chart() const { return m_chart; }

    // Replaces what the chart shows: one curve per result that has one, in the given colours.
    void show(const std::vector<AllanResult>& results, const std::vector<QColor>& colours);
    // Curves and guide lines drawn now (for tests).
    int curveCount() const { return m_curves; }
    int guideCount() const { return m_guides; }

private:
    QChart* m_chart;
    QChartView* m_view;
    QLogValueAxis* m_tau;
    QLogValueAxis* m_adev;
    int m_curves = 0;
    int m_guides = 0;
};
