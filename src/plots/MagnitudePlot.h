#pragma once

#include <QWidget>

#include <vector>

// |B| of each field point in the order they came: before the calibration (grey) and after it
// (blue), with the fitted field strength B as a dashed line. A good calibration shows the
// blue line flat on B however much the grey one swings.
class MagnitudePlot : public QWidget
{
    Q_OBJECT
public:
    explicit MagnitudePlot(QWidget* parent = nullptr);

    // Empty vectors: no calibration to show.
    void setMagnitudes(std::vector<double> before, std::vector<double> after, double field);

    QSize sizeHint() const override { return {520, 180}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> m_before;
    std::vector<double> m_after;
    double m_field = 0;
};
