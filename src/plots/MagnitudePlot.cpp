#include "plots/MagnitudePlot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor BeforeColour(150, 150, 150);
const QColor AfterColour(30, 70, 160);
const QColor FieldColour(200, 30, 30);

// The values as one path, at most two points (lowest and highest) per pixel column.
QPainterPath magnitudePath(const std::vector<double>& values, const QRectF& area, double low,
                           double high)
{
    QPainterPath path;
    const int columns = std::max(1, int(area.width()));
    const double perColumn = double(values.size()) / columns;
    const auto y = [&](double v) {
        return area.bottom() - (v - low) / (high - low) * area.height();
    };
    for (int c = 0; c < columns; ++c) {
        const std::size_t first = std::size_t(c * perColumn);
        const std::size_t last =
            std::min(values.size(), std::max(first + 1, std::size_t((c + 1) * perColumn)));
        if (first >= values.size())
            break;
        const auto [min, max] = std::minmax_element(values.begin() + std::ptrdiff_t(first),
                                                    values.begin() + std::ptrdiff_t(last));
        const double x = area.left() + c;
        if (path.elementCount() == 0)
            path.moveTo(x, y(*min));
        else
            path.lineTo(x, y(*min));
        path.lineTo(x, y(*max));
    }
    return path;
}

} // namespace

MagnitudePlot::MagnitudePlot(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(240, 120);
}

void MagnitudePlot::setMagnitudes(std::vector<double> before, std::vector<double> after,
                                  double field)
{
    m_before = std::move(before);
    m_after = std::move(after);
    m_field = field;
    update();
}

void MagnitudePlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (m_before.empty() || m_after.empty()) {
        p.setPen(Qt::darkGray);
        p.drawText(rect(), Qt::AlignCenter, tr("|B| per point once the points give a fit."));
        return;
    }
    const auto [beforeLow, beforeHigh] = std::minmax_element(m_before.begin(), m_before.end());
    const auto [afterLow, afterHigh] = std::minmax_element(m_after.begin(), m_after.end());
    double low = std::min({*beforeLow, *afterLow, m_field});
    double high = std::max({*beforeHigh, *afterHigh, m_field});
    const double margin = std::max(1e-9, (high - low) * 0.08);
    low -= margin;
    high += margin;
    const QRectF area = QRectF(rect()).adjusted(8, 22, -8, -8);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::darkGray);
    p.drawText(QRectF(rect()).adjusted(8, 2, -8, 0), Qt::AlignLeft | Qt::AlignTop,
               tr("|B| per point: before (grey), after (blue); B dashed"));
    const double fieldY = area.bottom() - (m_field - low) / (high - low) * area.height();
    p.setPen(QPen(FieldColour, 2, Qt::DashLine));
    p.drawLine(QPointF(area.left(), fieldY), QPointF(area.right(), fieldY));
    p.setPen(QPen(BeforeColour, 1));
    p.drawPath(magnitudePath(m_before, area, low, high));
    p.setPen(QPen(AfterColour, 1.5));
    p.drawPath(magnitudePath(m_after, area, low, high));
}
