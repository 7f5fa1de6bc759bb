#pragma once

#include "plots/FieldFit.h"
#include "protocol/MeasurementStream.h"

#include <QTimer>
#include <QWidget>

class FieldPlot;
class QLabel;
class QPushButton;

// The "Magnetic Field" window: the horizontal field points of F and R frames collected since
// it was opened or cleared (at most 20 000, the oldest dropped), the least-squares circle
// through them and the figures of a hard-iron calibration. Redrawn at most about 30 times a
// second, never once per frame.
class FieldWindow : public QWidget
{
    Q_OBJECT
public:
    // Subscribes to the stream, which must outlive the window; the destructor unsubscribes.
    explicit FieldWindow(MeasurementStream& stream, QWidget* parent = nullptr);
    ~FieldWindow() override;

    // The fit as shown at the last redraw.
    const FieldFigures& figures() const { return m_figures; }

public slots:
    // Forgets every point and redraws at once ("Clear").
    void clear();

signals:
    // After each redraw of the plot and the figures.
    void refreshed();

private:
    void take(const Measurement& m);
    void refresh();

    MeasurementStream& m_stream;
    int m_subscription = 0;
    FieldFit m_fit;
    FieldFigures m_figures;
    QTimer m_redraw;

    FieldPlot* m_plot;
    QLabel* m_centre;
    QLabel* m_radius;
    QLabel* m_spread;
    QLabel* m_extent;
    QLabel* m_coverage;
    QLabel* m_count;
    QLabel* m_verdict;
    QPushButton* m_clear;
};
