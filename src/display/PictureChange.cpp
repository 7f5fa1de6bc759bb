#include "display/PictureChange.h"

#include "display/PictureBox.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double HalfTurn = 3.14159265358979;
constexpr double Infinite = std::numeric_limits<double>::infinity();

struct Vec
{
    double x;
    double y;
};

double length(Vec v)
{
    return std::hypot(v.x, v.y);
}

// Where the horizon puts the model's origin, in model units: 8 units per radian of pitch
// along the turned vertical.
Vec slide(float phi, float theta)
{
    return {8 * double(theta) * std::sin(double(phi)), -8 * double(theta) * std::cos(double(phi))};
}

} // namespace

double HorizonShift(float phiShown, float thetaShown, float phi, float theta,
                    const QSizeF& viewPixels)
{
    if (!std::isfinite(phi) || !std::isfinite(theta) || !std::isfinite(phiShown) ||
        !std::isfinite(thetaShown))
        return phi == phiShown && theta == thetaShown ? 0.0 : Infinite;
    // One model unit is a tenth of the view's height, in x as in y. A screen point q (from the
    // centre, y up) shows the model point R(-phiShown)(q/unit - slideShown); the new picture
    // puts that point at R(turn) q + unit (slide - R(turn) slideShown).
    const double unit = 0.1 * viewPixels.height();
    const double turn = double(phi) - double(phiShown);
    const double c = std::cos(turn);
    const double s = std::sin(turn);
    const Vec before = slide(phiShown, thetaShown);
    const Vec after = slide(phi, theta);
    const Vec offset{unit * (after.x - (c * before.x - s * before.y)),
                     unit * (after.y - (s * before.x + c * before.y))};
    const double halfW = viewPixels.width() / 2;
    const double halfH = viewPixels.height() / 2;
    double farthest = 0;
    for (const Vec q :
         {Vec{halfW, halfH}, Vec{-halfW, halfH}, Vec{halfW, -halfH}, Vec{-halfW, -halfH}}) {
        const Vec moved{(c - 1) * q.x - s * q.y + offset.x, s * q.x + (c - 1) * q.y + offset.y};
        farthest = std::max(farthest, length(moved));
    }
    return farthest;
}

double RouteShift(double hShown, double h, double W1, double H1)
{
    if (!std::isfinite(h) || !std::isfinite(hShown))
        return h == hShown ? 0.0 : Infinite;
    const double halfW = W1 / 2 / PictureBox::TwipsPerPixel;
    const double halfH = H1 / 2 / PictureBox::TwipsPerPixel;
    // A card point at angle a on an ellipse of half-axes (rx, ry) moves, when the card turns
    // from hShown to h, by 2 |sin((hShown - h) / 2)| times the length of
    // (rx cos m, ry sin m), m being its angle halfway between. The ticks' inner ends lie on
    // smaller ellipses of the same shape as their outer ends, so never move farther; what is
    // left is every tick's outer end and, every 30 degrees, a label's anchor. This runs for
    // every frame, at rest too: one sine and cosine, the bearings reached by turning them.
    const double outerX = 0.75 * 1.1 * halfW, outerY = 0.75 * halfH;
    const double labelX = 1.06 * 0.85 * halfW, labelY = 0.85 * halfH;
    const double mid = (hShown + h) / 2;
    double c = std::cos(mid), s = -std::sin(mid);
    const double stepC = std::cos(HalfTurn / 18), stepS = std::sin(HalfTurn / 18);
    double farthest = 0;
    for (int i = 0; i <= 350; i += 10) {
        farthest = std::max(farthest, outerX * outerX * c * c + outerY * outerY * s * s);
        if (i % 30 == 0)
            farthest = std::max(farthest, labelX * labelX * c * c + labelY * labelY * s * s);
        const double turned = c * stepC - s * stepS;
        s = s * stepC + c * stepS;
        c = turned;
    }
    return 2 * std::fabs(std::sin((hShown - h) / 2)) * std::sqrt(farthest);
}

double NeedleShift(double uShown, double vShown, double u, double v, double W1, double H1)
{
    const bool shownFinite = std::isfinite(uShown) && std::isfinite(vShown);
    const bool finite = std::isfinite(u) && std::isfinite(v);
    if (!shownFinite || !finite)
        return shownFinite == finite ? 0.0 : Infinite;
    constexpr double s = 0.7;
    const double dx = (u - uShown) * s * W1 / 2 / PictureBox::TwipsPerPixel;
    const double dy = (v - vShown) * s * H1 / 2 / PictureBox::TwipsPerPixel;
    return std::hypot(dx, dy);
}
