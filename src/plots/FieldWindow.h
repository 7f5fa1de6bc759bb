#pragma once

#include "plots/FieldFit.h"
#include "protocol/MeasurementStream.h"

#include <QTimer>
#include <QWidget>

class Field3DPanel;
class FieldPlot;
class QLabel;
class QPushButton;
class QTabWidget;

// The "Magnetic Field" window: the horizontal field points of F and R frames collected since
// it was opened or cleared (at most 20 000, the oldest dropped), the least-squares circle
// through them and the figures of a hard-iron calibration. Redrawn at most about 30 times a
// second, never once per frame. Its "3D" side fits hard and soft iron to Hx, Hy, Hz
// (Field3DPanel); Ctrl+S exports that result.
class FieldWindow : public QWidget
{
    Q_OBJECT
public:
    // Subscribes to the stream, which must outlive the window; the destructor unsubscribes.
    explicit FieldWindow(MeasurementStream& stream, QWidget* parent = nullptr);
    ~FieldWindow() override;

    // The fit as shown at the last redraw.
    const FieldFigures& figures() const { return m_figures; }
    Field3DPanel& panel3d() { return *m_panel3d; }
    // The "2D" and "3D" sides.
    QTabWidget* sides() const { return m_sides; }

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
    QTabWidget* m_sides;
    Field3DPanel* m_panel3d;
};
