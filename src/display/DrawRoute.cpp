#include "display/DrawRoute.h"

#include "display/PictureBox.h"

#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979;

float f(double value)
{
    return static_cast<float>(value);
}

QString labelFor(int bearing)
{
    switch (bearing) {
    case 0:
        return QStringLiteral("N");
    case 90:
        return QStringLiteral("E");
    case 180:
        return QStringLiteral("S");
    case 270:
        return QStringLiteral("W");
    default:
        // The blank stands where a minus sign would go.
        return QLatin1Char(' ') + QString::number(bearing);
    }
}

} // namespace

void RouteHeading(float& psi)
{
    if (!std::isfinite(psi)) {
        psi = 0.0f;
    }
}

void DrawRouteBackground(PictureBox& box, const PictureBox& mask)
{
    const float W1 = f(box.ScaleWidth() - 1);
    const float H1 = f(box.ScaleHeight() - 1);
    const float cx = W1 / 2;
    const float cy = H1 / 2;
    const QColor white(255, 255, 255);

    box.PaintPicture(mask, 0, 0);

    box.setDrawWidth(1);
    box.Line(f(0.2 * W1), cy, f(0.8 * W1), cy, white);
    box.Line(cx, f(0.25 * H1), cx, f(0.75 * H1), white);

    // The ellipses take the colour the box was left with.
    box.setDrawWidth(1);
    box.Circle(cx, cy, f(0.2 * W1), std::nullopt, 0.33);
    box.Circle(cx, cy, f(0.38 * W1), std::nullopt, 0.36);
}

void DrawRouteCard(PictureBox& box, double h)
{
    const float W1 = f(box.ScaleWidth() - 1);
    const float H1 = f(box.ScaleHeight() - 1);
    const float cx = W1 / 2;
    const float cy = H1 / 2;
    const QColor white(255, 255, 255);

    box.setDrawStyle(0);
    box.setDrawWidth(1);
    box.setForeColor(white);

    const double s = box.FontSize();
    for (int i = 0; i <= 350; i += 10) {
        const double a = i * Pi / 180 - h;
        const double k = i % 30 == 0 ? 0.85 : 1.0;
        const double x1 = cx + std::sin(a) * (W1 / 2.0) * 0.7 * k * 1.1;
        const double y1 = cy - std::cos(a) * (H1 / 2.0) * 0.7 * k;
        const double x2 = cx + std::sin(a) * (W1 / 2.0) * 0.75 * 1.1;
        const double y2 = cy - std::cos(a) * (H1 / 2.0) * 0.75;
        box.Line(f(x1), f(y1), f(x2), f(y2), white);

        if (i % 30 != 0) {
            continue;
        }
        const QString label = labelFor(i);
        const double n = QString(label).remove(QLatin1Char(' ')).size();
        const double textX = cx + std::sin(a) * (W1 / 2.0) * 1.06 * 0.85 - s * n * 6 - 10;
        const double textY = cy - std::cos(a) * (H1 / 2.0) * 0.85 - s * 17;
        box.setCurrentX(f(textX));
        box.setCurrentY(f(textY));
        box.Print(label);
    }

    if (h >= 10) {
        const QColor red(255, 0, 0);
        box.setDrawWidth(3);
        box.Line(0, H1, W1, 0, red);
        box.Line(0, 0, W1, H1, red);
    }
}

void SetRouteFont(PictureBox& box)
{
    box.setFontName(QStringLiteral("MS Sherif"));
    box.setFontSize(8);
}

void DrawRoute(PictureBox& box, const PictureBox& mask, float& psi)
{
    RouteHeading(psi);
    SetRouteFont(box);
    box.beginBatch();
    DrawRouteBackground(box, mask);
    DrawRouteCard(box, psi);
    box.endBatch();
}
