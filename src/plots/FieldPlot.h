#pragma once

#include "plots/FieldFit.h"

#include <QWidget>

// The scatter of the field view: the points, the fitted circle and its centre, Hx to the
// right and Hy up, both axes at the same scale so that a circle looks round.
class FieldPlot : public QWidget
{
    Q_OBJECT
public:
    // points must outlive the plot; it is read at every paint.
    explicit FieldPlot(const FieldPoints& points, QWidget* parent = nullptr);

    void setCircle(const FieldCircle& circle);

    QSize sizeHint() const override { return {560, 560}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const FieldPoints& m_points;
    FieldCircle m_circle;
};
