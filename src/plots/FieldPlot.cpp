#include "plots/FieldPlot.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor PointColour(30, 70, 160);
const QColor CircleColour(200, 30, 30);
const QColor AxisColour(190, 190, 190);

} // namespace

FieldPlot::FieldPlot(const FieldPoints& points, QWidget* parent) : QWidget(parent), m_points(points)
{
    setMinimumSize(240, 240);
    setAutoFillBackground(false);
}

void FieldPlot::setCircle(const FieldCircle& circle)
{
    m_circle = circle;
}

void FieldPlot::paintEvent(QPaintEvent*)
{
    QPainter out(this);
    if (m_points.isEmpty()) {
        out.fillRect(rect(), Qt::white);
        out.setPen(Qt::darkGray);
        out.drawText(rect(), Qt::AlignCenter, tr("No field points yet."));
        return;
    }

    QRectF bounds(m_points.at(0), QSizeF(0, 0));
    m_points.forEach([&](QPointF p) {
        bounds.setLeft(std::min(bounds.left(), p.x()));
        bounds.setRight(std::max(bounds.right(), p.x()));
        bounds.setTop(std::min(bounds.top(), p.y()));
        bounds.setBottom(std::max(bounds.bottom(), p.y()));
    });
    if (m_circle.valid) {
        const double r = m_circle.radius;
        bounds |= QRectF(m_circle.centre - QPointF(r, r), QSizeF(2 * r, 2 * r));
    }
    const double extent = std::max({bounds.width(), bounds.height(), 1e-9});
    const QRectF area = QRectF(rect()).adjusted(16, 16, -16, -16);
    const double scale = std::min(area.width(), area.height()) / extent;
    const QPointF middle = bounds.center();
    const QPointF screenMiddle = area.center();
    const auto toScreen = [&](QPointF p) {
        return QPointF(screenMiddle.x() + (p.x() - middle.x()) * scale,
                       screenMiddle.y() - (p.y() - middle.y()) * scale);
    };

    // The points go straight into the pixels of an image: drawing 20 000 of them through the
    // painter would cost several times as much as the whole rest of a redraw.
    const qreal ratio = devicePixelRatioF();
    QImage canvas(size() * ratio, QImage::Format_RGB32);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::white);
    const int dot = std::max(2, int(std::lround(2 * ratio)));
    const int columns = canvas.width() - dot;
    const int rows = canvas.height() - dot;
    const QRgb ink = PointColour.rgb();
    m_points.forEach([&](QPointF p) {
        const QPointF s = toScreen(p) * ratio;
        const int x = int(s.x());
        const int y = int(s.y());
        if (x < 0 || y < 0 || x > columns || y > rows)
            return;
        for (int j = 0; j < dot; ++j) {
            auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y + j));
            std::fill(line + x, line + x + dot, ink);
        }
    });

    QPainter painter(&canvas);
    // The axes through the board's zero, where they are in view: the offset is their distance
    // from the circle's centre.
    const QPointF zero = toScreen(QPointF(0, 0));
    painter.setPen(QPen(AxisColour, 1));
    if (zero.x() >= 0 && zero.x() <= width())
        painter.drawLine(QPointF(zero.x(), 0), QPointF(zero.x(), height()));
    if (zero.y() >= 0 && zero.y() <= height())
        painter.drawLine(QPointF(0, zero.y()), QPointF(width(), zero.y()));
    painter.drawText(QRectF(rect()).adjusted(4, 2, -4, -2), Qt::AlignRight | Qt::AlignBottom,
                     QStringLiteral("Hx \u2192"));
    painter.drawText(QRectF(rect()).adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Hy \u2191"));

    if (m_circle.valid) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(CircleColour, 2));
        const QPointF centre = toScreen(m_circle.centre);
        const double r = m_circle.radius * scale;
        painter.drawEllipse(centre, r, r);
        painter.drawLine(centre - QPointF(8, 0), centre + QPointF(8, 0));
        painter.drawLine(centre - QPointF(0, 8), centre + QPointF(0, 8));
    }
    painter.end();
    out.drawImage(QPointF(0, 0), canvas);
}
