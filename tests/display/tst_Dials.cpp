#include "display/DrawMagDial.h"
#include "display/DrawRoute.h"
#include "display/MagDial.h"
#include "display/PictureBox.h"
#include "display/PictureChange.h"
#include "display/RouteDial.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

const QRgb Black = 0x000000;
const QRgb White = 0xFFFFFF;
const QRgb Red = 0xFF0000;
const QRgb Yellow = 0xFFFF00;
const double Pi = 3.14159265358979;

QRgb rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

int countColour(const QImage& image, const QRect& area, QRgb colour)
{
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            count += rgb(image, x, y) == colour;
        }
    }
    return count;
}

// A 3 x 3 neighbourhood, for lines whose exact pixel column depends on rounding.
int around(const QImage& image, int x, int y, QRgb colour)
{
    return countColour(image, QRect(x - 1, y - 1, 3, 3), colour);
}

// The designed dial boxes: Route 7455 x 2895 twips, P 1935 x 1935 twips.
void makeRoute(PictureBox& route, PictureBox& mask)
{
    route.resize(497, 193);
    route.setBackColor(QColor(0x80, 0x80, 0x80));
    route.setForeColor(Qt::white);
    mask.resize(497, 193);
    mask.setBackColor(Qt::black);
}

// Where the dial puts a label of the card: its text alone, printed white on black.
QImage labelAlone(const QString& label, int bearing, float h)
{
    const double W1 = 7454;
    const double H1 = 2894;
    const double s = 8.25;
    const double n = QString(label).remove(' ').size();
    const double a = bearing * Pi / 180 - h;
    PictureBox alone;
    alone.resize(497, 193);
    alone.setBackColor(Qt::black);
    alone.setForeColor(Qt::white);
    alone.setFontName("MS Sherif");
    alone.setFontSize(8);
    alone.setCurrentX(
        static_cast<float>(W1 / 2 + std::sin(a) * (W1 / 2) * 1.06 * 0.85 - s * n * 6 - 10));
    alone.setCurrentY(static_cast<float>(H1 / 2 - std::cos(a) * (H1 / 2) * 0.85 - s * 17));
    alone.Print(label);
    return alone.image();
}

// Pixels that differ between the dial and the lone label around the label's ink.
int labelMismatches(const QImage& dial, const QImage& alone)
{
    QRect ink;
    for (int y = 0; y < alone.height(); ++y) {
        for (int x = 0; x < alone.width(); ++x) {
            if (rgb(alone, x, y) != Black) {
                ink |= QRect(x, y, 1, 1);
            }
        }
    }
    if (ink.isEmpty()) {
        return -1;
    }
    const QRect area = ink.adjusted(-1, -1, 1, 1).intersected(alone.rect());
    int mismatches = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            mismatches += rgb(dial, x, y) != rgb(alone, x, y);
        }
    }
    return mismatches;
}

// Every ink pixel of the lone label is ink on the dial too (other lines may touch it).
bool labelInked(const QImage& dial, const QImage& alone)
{
    int ink = 0;
    for (int y = 0; y < alone.height(); ++y) {
        for (int x = 0; x < alone.width(); ++x) {
            if (rgb(alone, x, y) == White) {
                ++ink;
                if (rgb(dial, x, y) != White) {
                    return false;
                }
            }
        }
    }
    return ink > 5;
}

} // namespace

class DialsTest : public QObject
{
    Q_OBJECT
private slots:
    void routeNorthUpShowsLabelsTicksAndCross();
    void routeTurnsWithTheHeading();
    void routeRedCrossFromTenOnwards();
    void routeHeadingNotANumberIsDrawnAndStoredAsZero();
    void magDialNeedleFollowsTheField();
    void magDialFixedParts();
    void routeDialDrawsOnlyWhatShows();
    void routeDialDrawsAgainWhenTheBoxChanges();
    void magDialDrawsOnlyWhatShows();
    void shiftsOfTheDials();
    void routeDialFollowsANewColourOrMask();
    void shiftsOfValuesThatAreNotNumbers();
    void shiftOfTheHorizon();
};

void DialsTest::routeNorthUpShowsLabelsTicksAndCross()
{
    PictureBox route;
    PictureBox mask;
    makeRoute(route, mask);
    float psi = 0.0f;
    DrawRoute(route, mask, psi);
    const QImage& dial = route.image();

    QCOMPARE(route.FontSize(), 8.25);
    QCOMPARE(labelMismatches(dial, labelAlone("N", 0, 0)), 0);
    QCOMPARE(labelMismatches(dial, labelAlone("E", 90, 0)), 0);
    QCOMPARE(labelMismatches(dial, labelAlone("S", 180, 0)), 0);
    QCOMPARE(labelMismatches(dial, labelAlone("W", 270, 0)), 0);
    // Numbers carry one blank in front, which shifts them right.
    QCOMPARE(labelMismatches(dial, labelAlone(" 30", 30, 0)), 0);
    QCOMPARE(labelMismatches(dial, labelAlone(" 330", 330, 0)), 0);
    QVERIFY(labelMismatches(dial, labelAlone("30", 30, 0)) > 0);
    QVERIFY(labelMismatches(dial, labelAlone("E", 0, 0)) > 0);

    // Mask blanks the back colour; the fixed cross is white through the centre.
    QCOMPARE(rgb(dial, 5, 5), Black);
    QCOMPARE(countColour(dial, QRect(0, 0, 497, 193), 0x808080), 0);
    QVERIFY(around(dial, 248, 96, White) > 0);
    QVERIFY(around(dial, 150, 96, White) > 0);
    QCOMPARE(countColour(dial, QRect(92, 90, 5, 12), White), 0);
    QVERIFY(around(dial, 248, 60, White) > 0);
    // Long tick of north at the top: from 0.595 to 0.75 of the half-height above the centre.
    QVERIFY(around(dial, 248, 33, White) > 0);
    QCOMPARE(countColour(dial, QRect(244, 42, 9, 4), White), 0);
    // Inner ellipse: horizontal radius 0.2 x W1, vertical 0.33 of that.
    QVERIFY(around(dial, 248 + 99, 96, White) > 0);
    QVERIFY(around(dial, 248, 96 - 33, White) > 0);
    QCOMPARE(countColour(dial, QRect(0, 0, 497, 193), Red), 0);
}

void DialsTest::routeTurnsWithTheHeading()
{
    PictureBox route;
    PictureBox mask;
    makeRoute(route, mask);

    float psi = static_cast<float>(Pi / 2);
    DrawRoute(route, mask, psi);
    QCOMPARE(labelMismatches(route.image(), labelAlone("E", 90, psi)), 0);
    QCOMPARE(labelMismatches(route.image(), labelAlone("N", 0, psi)), 0);
    QVERIFY(labelMismatches(route.image(), labelAlone("N", 0, 0)) > 0);

    psi = static_cast<float>(-Pi / 2);
    DrawRoute(route, mask, psi);
    QCOMPARE(labelMismatches(route.image(), labelAlone("W", 270, psi)), 0);
    QVERIFY(labelMismatches(route.image(), labelAlone("N", 0, 0)) > 0);

    // Ten degrees: a short tick stands at the top, ending 0.7 of the half-height up.
    psi = static_cast<float>(10 * Pi / 180);
    DrawRoute(route, mask, psi);
    QVERIFY(around(route.image(), 248, 26, White) > 0);
    QCOMPARE(countColour(route.image(), QRect(244, 31, 9, 5), White), 0);
}

void DialsTest::routeRedCrossFromTenOnwards()
{
    PictureBox route;
    PictureBox mask;
    makeRoute(route, mask);
    float psi = 10.0f;
    DrawRoute(route, mask, psi);
    QCOMPARE(psi, 10.0f);
    const QImage& crossed = route.image();
    // Diagonals from the corners, three pixels thick.
    QVERIFY(around(crossed, 50, 19, Red) >= 6);
    QVERIFY(around(crossed, 50, 192 - 19, Red) >= 6);
    QVERIFY(around(crossed, 446, 19, Red) >= 6);
    QCOMPARE(countColour(crossed, QRect(49, 14, 3, 1), Red), 0);
    QCOMPARE(countColour(crossed, QRect(49, 24, 3, 1), Red), 0);
    // The dial is still drawn under the cross.
    QVERIFY(countColour(crossed, QRect(0, 0, 497, 193), White) > 300);

    psi = 9.99f;
    DrawRoute(route, mask, psi);
    QCOMPARE(countColour(route.image(), QRect(0, 0, 497, 193), Red), 0);
}

void DialsTest::routeHeadingNotANumberIsDrawnAndStoredAsZero()
{
    PictureBox route;
    PictureBox mask;
    makeRoute(route, mask);
    float psi = 0.0f;
    DrawRoute(route, mask, psi);
    const QImage north = route.image().copy();

    for (float odd :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
          -std::numeric_limits<float>::infinity()}) {
        psi = odd;
        DrawRoute(route, mask, psi);
        QCOMPARE(psi, 0.0f);
        QVERIFY(!std::signbit(psi));
        QCOMPARE(route.image(), north);
    }
}

void DialsTest::magDialNeedleFollowsTheField()
{
    PictureBox p;
    p.resize(129, 129);
    p.setBackColor(Qt::black);

    // Centre at 64.5 pixels, outer circle 45 pixels away.
    DrawMagDial(p, 0, 1);
    QVERIFY(around(p.image(), 64, 24, Yellow) >= 3);
    // Three pixels wide.
    QCOMPARE(countColour(p.image(), QRect(56, 40, 17, 1), Yellow), 3);
    QCOMPARE(around(p.image(), 64, 14, Yellow), 0);
    QCOMPARE(around(p.image(), 40, 64, Yellow), 0);
    QCOMPARE(around(p.image(), 64, 88, Yellow), 0);

    DrawMagDial(p, 1, 0);
    QVERIFY(around(p.image(), 40, 64, Yellow) >= 3);
    QCOMPARE(around(p.image(), 64, 40, Yellow), 0);
    QCOMPARE(around(p.image(), 88, 64, Yellow), 0);

    DrawMagDial(p, 0.5, -0.5);
    QVERIFY(around(p.image(), 53, 75, Yellow) >= 3);
    QCOMPARE(around(p.image(), 36, 93, Yellow), 0);

    DrawMagDial(p, 0, 0);
    QCOMPARE(countColour(p.image(), p.image().rect(), Yellow), 0);
    QVERIFY(around(p.image(), 64, 64, White) >= 3);

    // Far beyond the dial: runs into the upper-left corner, cut at the border.
    DrawMagDial(p, 2, 2);
    QVERIFY(around(p.image(), 6, 6, Yellow) >= 3);
    QVERIFY(around(p.image(), 30, 30, Yellow) >= 3);
    QCOMPARE(rgb(p.image(), 0, 64), White);

    DrawMagDial(p, 1e9, -1e9);
    QVERIFY(around(p.image(), 10, 118, Yellow) >= 3);
    DrawMagDial(p, std::numeric_limits<double>::quiet_NaN(), 1);
    QCOMPARE(countColour(p.image(), p.image().rect(), Yellow), 0);
}

void DialsTest::magDialFixedParts()
{
    PictureBox p;
    p.resize(129, 129);
    p.setBackColor(Qt::black);
    DrawMagDial(p, 0, 0);
    const QImage& dial = p.image();

    // Outer circle 45 pixels from the centre, inner 22.6 (seen on the diagonal); the cross
    // spans 0.2 to 0.8 of the box.
    QVERIFY(around(dial, 64 + 45, 64, White) > 0);
    QVERIFY(around(dial, 64, 64 + 45, White) > 0);
    QVERIFY(around(dial, 96, 32, White) > 0);
    QVERIFY(around(dial, 80, 48, White) > 0);
    QCOMPARE(countColour(dial, QRect(87, 87, 3, 3), White), 0);
    QCOMPARE(countColour(dial, QRect(21, 63, 4, 3), White), 0);
    QVERIFY(around(dial, 30, 64, White) > 0);
    // Border two pixels wide on every side.
    QCOMPARE(rgb(dial, 0, 100), White);
    QCOMPARE(rgb(dial, 100, 0), White);
    QCOMPARE(rgb(dial, 128, 100), White);
    QCOMPARE(rgb(dial, 100, 128), White);
    QCOMPARE(rgb(dial, 5, 100), Black);

    // Letters at their fixed places, in the box's own font.
    const auto alone = [&p](const QString& label, double x, double y) {
        PictureBox box;
        box.resize(129, 129);
        box.setBackColor(Qt::black);
        box.setForeColor(Qt::white);
        box.setFontName(p.FontName());
        box.setFontSize(p.FontSize());
        box.setCurrentX(static_cast<float>(x));
        box.setCurrentY(static_cast<float>(y));
        box.Print(label);
        return box.image();
    };
    QVERIFY(labelInked(dial, alone("N", 0.46 * 1934, 0.015 * 1934)));
    QVERIFY(labelInked(dial, alone("S", 0.46 * 1934, 0.88 * 1934)));
    QVERIFY(labelInked(dial, alone("E", 0.9 * 1934, 0.44 * 1934)));
    QVERIFY(labelInked(dial, alone("W", 0.03 * 1934, 0.44 * 1934)));
    QVERIFY(!labelInked(dial, alone("N", 0.46 * 1934, 0.88 * 1934)));
}

// The dial kept by RouteDial is the picture DrawRoute draws, to the pixel, and stays as it is
// while the card would move by less than half a pixel; the small moves add up.
void DialsTest::routeDialDrawsOnlyWhatShows()
{
    PictureBox route;
    PictureBox mask;
    makeRoute(route, mask);
    PictureBox fresh;
    PictureBox freshMask;
    makeRoute(fresh, freshMask);
    RouteDial dial(route, mask);
    const auto drawnAlone = [&](float heading) {
        DrawRoute(fresh, freshMask, heading);
        return fresh.image();
    };

    for (float heading : {0.0f, 1.0f, 2.5f, -1.2f, 10.5f, 0.3f}) {
        float psi = heading;
        QVERIFY(dial.draw(psi));
        QCOMPARE(route.image(), drawnAlone(heading));
    }
    QCOMPARE(dial.drawings(), 6);

    // The label of north, 224 pixels out at the top, moves 0.11 pixels per 0.0005 rad: four
    // such steps stay unseen, the fifth (0.56 pixels from the picture shown) is drawn.
    float psi = 0.3f;
    const qint64 shown = route.image().cacheKey();
    for (int step = 1; step <= 4; ++step) {
        psi = 0.3f + 0.0005f * float(step);
        QVERIFY2(!dial.draw(psi), qPrintable(QString("step %1").arg(step)));
    }
    QCOMPARE(route.image().cacheKey(), shown);
    QCOMPARE(dial.drawings(), 6);
    psi = 0.3025f;
    QVERIFY(dial.draw(psi));
    QCOMPARE(route.image(), drawnAlone(0.3025f));
    // Back and forth by less than half a pixel around the picture shown: nothing to draw.
    for (float wobble : {0.3029f, 0.3021f, 0.3025f, 0.3028f}) {
        psi = wobble;
        QVERIFY(!dial.draw(psi));
    }
    QCOMPARE(dial.drawings(), 7);

    // The red cross comes at 10 however small the step.
    psi = 9.99999f;
    QVERIFY(dial.draw(psi));
    psi = 10.0f;
    QVERIFY(dial.draw(psi));
    QCOMPARE(route.image(), drawnAlone(10.0f));

    // A heading that is not a number is drawn as 0 and written back, drawn or not.
    psi = 0.0f;
    dial.draw(psi);
    psi = std::numeric_limits<float>::quiet_NaN();
    QVERIFY(!dial.draw(psi));
    QCOMPARE(psi, 0.0f);
}

void DialsTest::routeDialDrawsAgainWhenTheBoxChanges()
{
    PictureBox route;
    PictureBox mask;
    makeRoute(route, mask);
    RouteDial dial(route, mask);
    float psi = 0.5f;
    QVERIFY(dial.draw(psi));

    // Something else drew over the dial: the same heading is drawn again.
    route.Cls();
    QVERIFY(dial.draw(psi));
    QVERIFY(!dial.draw(psi));

    // A new size: a new background, and the picture of that size.
    route.resize(300, 150);
    mask.resize(300, 150);
    QVERIFY(dial.draw(psi));
    PictureBox fresh;
    PictureBox freshMask;
    fresh.resize(300, 150);
    fresh.setForeColor(Qt::white);
    freshMask.resize(300, 150);
    freshMask.setBackColor(Qt::black);
    float same = 0.5f;
    DrawRoute(fresh, freshMask, same);
    QCOMPARE(route.image(), fresh.image());

    // A mask smaller than the dial blanks only its own part; the rest keeps what was there,
    // as DrawRoute leaves it.
    mask.resize(100, 150);
    freshMask.resize(100, 150);
    psi = 2.0f;
    same = 2.0f;
    QVERIFY(dial.draw(psi));
    DrawRoute(fresh, freshMask, same);
    QCOMPARE(route.image(), fresh.image());
}

void DialsTest::magDialDrawsOnlyWhatShows()
{
    PictureBox p;
    p.resize(129, 129);
    p.setBackColor(Qt::black);
    PictureBox fresh;
    fresh.resize(129, 129);
    fresh.setBackColor(Qt::black);
    MagDial dial(p);
    const auto drawnAlone = [&](double u, double v) {
        DrawMagDial(fresh, u, v);
        return fresh.image();
    };

    QVERIFY(dial.draw(0.3, 0.4));
    QCOMPARE(p.image(), drawnAlone(0.3, 0.4));
    // 0.01 of the field moves the tip 0.45 pixels: not drawn; the next 0.01 adds up to 0.9.
    QVERIFY(!dial.draw(0.31, 0.4));
    QVERIFY(!dial.draw(0.3, 0.39));
    QVERIFY(dial.draw(0.32, 0.4));
    QCOMPARE(p.image(), drawnAlone(0.32, 0.4));
    QCOMPARE(dial.drawings(), 2);

    // The needle goes and comes back with values that are not numbers.
    QVERIFY(dial.draw(std::numeric_limits<double>::quiet_NaN(), 0.4));
    QCOMPARE(p.image(), drawnAlone(std::numeric_limits<double>::quiet_NaN(), 0.4));
    QVERIFY(!dial.draw(0.4, std::numeric_limits<double>::infinity()));
    QVERIFY(dial.draw(0.32, 0.4));
    QCOMPARE(p.image(), drawnAlone(0.32, 0.4));

    // A new back colour erases the drawing: drawn again, on the new colour.
    p.setBackColor(Qt::darkBlue);
    fresh.setBackColor(Qt::darkBlue);
    QVERIFY(dial.draw(0.32, 0.4));
    QCOMPARE(p.image(), drawnAlone(0.32, 0.4));
}

void DialsTest::shiftsOfTheDials()
{
    // Route 497 x 193 pixels: the labels' ellipse is 0.901 x 248.5 = 223.9 pixels wide (half)
    // and 0.85 x 96.5 = 82.0 high; turning by 0.01 moves the label at the top by 2.24 pixels.
    QVERIFY(std::fabs(RouteShift(0, 0.01, 7454, 2894) - 2.239) < 0.005);
    QVERIFY(std::fabs(RouteShift(1.0, 1.01, 7454, 2894) - 2.239) < 0.005);
    QCOMPARE(RouteShift(0.7, 0.7, 7454, 2894), 0.0);
    // A whole turn draws the same card.
    QVERIFY(RouteShift(0.5, 0.5 + 2 * Pi, 7454, 2894) < 1e-6);
    QVERIFY(RouteShift(0, 0.002, 7454, 2894) < VisibleShift);
    QVERIFY(RouteShift(0, 0.0023, 7454, 2894) >= VisibleShift);
    // Against every tick end and label anchor moved one by one, from headings all round the
    // card, by small and large turns, on a wide dial and on a tall one.
    const auto pointByPoint = [](double from, double to, double W1, double H1) {
        const double halfW = W1 / 2 / PictureBox::TwipsPerPixel;
        const double halfH = H1 / 2 / PictureBox::TwipsPerPixel;
        double farthest = 0;
        for (int i = 0; i <= 350; i += 10) {
            std::vector<std::pair<double, double>> axes = {{0.75 * 1.1, 0.75}};
            axes.push_back(i % 30 == 0 ? std::pair{0.7 * 0.85 * 1.1, 0.7 * 0.85}
                                       : std::pair{0.7 * 1.1, 0.7});
            if (i % 30 == 0)
                axes.push_back({1.06 * 0.85, 0.85});
            const double b = i * Pi / 180;
            for (const auto& [fx, fy] : axes)
                farthest = std::max(
                    farthest, std::hypot(fx * halfW * (std::sin(b - to) - std::sin(b - from)),
                                         fy * halfH * (std::cos(b - to) - std::cos(b - from))));
        }
        return farthest;
    };
    for (const auto& [W1, H1] : {std::pair{7454.0, 2894.0}, std::pair{1934.0, 5000.0}})
        for (double from = -3.1; from < 6.3; from += 0.37)
            for (const double turn : {1e-4, -0.003, 0.05, 1.3, -2.9})
                QVERIFY(std::fabs(RouteShift(from, from + turn, W1, H1) -
                                  pointByPoint(from, from + turn, W1, H1)) < 1e-9);

    // P 129 x 129 pixels: a field of 1 reaches 0.7 x 64.5 = 45.1 pixels out.
    QVERIFY(std::fabs(NeedleShift(0, 0, 1, 0, 1934, 1934) - 45.13) < 0.01);
    QVERIFY(std::fabs(NeedleShift(0.2, 0.2, 0.2, -0.8, 1934, 1934) - 45.13) < 0.01);
    QVERIFY(std::fabs(NeedleShift(0, 0, 0.03, 0.04, 1934, 1934) - 2.257) < 0.01);
    QCOMPARE(NeedleShift(std::numeric_limits<double>::quiet_NaN(), 0, 0, 0, 1934, 1934),
             std::numeric_limits<double>::infinity());
    QCOMPARE(NeedleShift(std::numeric_limits<double>::quiet_NaN(), 0, 0,
                         std::numeric_limits<double>::infinity(), 1934, 1934),
             0.0);
}

// The prepared background is made again when the dial's colour or its mask changes: the
// next picture is the one DrawRoute draws with them.
void DialsTest::routeDialFollowsANewColourOrMask()
{
    PictureBox route;
    PictureBox mask;
    makeRoute(route, mask);
    PictureBox fresh;
    PictureBox freshMask;
    makeRoute(fresh, freshMask);
    RouteDial dial(route, mask);
    float psi = 0.5f;
    QVERIFY(dial.draw(psi));

    route.setForeColor(Qt::yellow);
    fresh.setForeColor(Qt::yellow);
    psi = 1.0f;
    QVERIFY(dial.draw(psi));
    float same = 1.0f;
    DrawRoute(fresh, freshMask, same);
    QCOMPARE(route.image(), fresh.image());
    // The ellipses take the colour the box had; the card is white whatever it was.
    QVERIFY(around(route.image(), 248 + 99, 96, Yellow) > 0);
    QCOMPARE(route.ForeColor(), QColor(Qt::white));

    // The mask drawn over at the same size: its new picture is the dial's ground.
    mask.setBackColor(QColor(0x20, 0x20, 0x20));
    freshMask.setBackColor(QColor(0x20, 0x20, 0x20));
    psi = 1.5f;
    QVERIFY(dial.draw(psi));
    same = 1.5f;
    DrawRoute(fresh, freshMask, same);
    QCOMPARE(route.image(), fresh.image());
    QCOMPARE(rgb(route.image(), 5, 5), 0x202020u);

    // A mask as wide but less high than the dial: drawn in full, as DrawRoute leaves it.
    mask.resize(497, 100);
    freshMask.resize(497, 100);
    psi = 2.0f;
    QVERIFY(dial.draw(psi));
    same = 2.0f;
    DrawRoute(fresh, freshMask, same);
    QCOMPARE(route.image(), fresh.image());
    psi = 2.5f;
    QVERIFY(dial.draw(psi));
    same = 2.5f;
    DrawRoute(fresh, freshMask, same);
    QCOMPARE(route.image(), fresh.image());
}

// A value that is not a finite number: no move while it stays the same, an infinite one when
// it comes or goes (so the picture is drawn).
void DialsTest::shiftsOfValuesThatAreNotNumbers()
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QCOMPARE(RouteShift(inf, inf, 7454, 2894), 0.0);
    QCOMPARE(RouteShift(0.5, inf, 7454, 2894), inf);
    QCOMPARE(RouteShift(-inf, 0.5, 7454, 2894), inf);
    QCOMPARE(RouteShift(nan, 0.5, 7454, 2894), inf);
    QCOMPARE(NeedleShift(0, 0, nan, 0, 1934, 1934), inf);
    QCOMPARE(NeedleShift(0, nan, 0, 0, 1934, 1934), inf);

    const QSizeF view(497, 321);
    const float finf = std::numeric_limits<float>::infinity();
    const float fnan = std::numeric_limits<float>::quiet_NaN();
    QCOMPARE(HorizonShift(finf, 0.1f, finf, 0.1f, view), 0.0);
    QCOMPARE(HorizonShift(0.2f, finf, 0.2f, finf, view), 0.0);
    QCOMPARE(HorizonShift(0.2f, 0.1f, finf, 0.1f, view), inf);
    QCOMPARE(HorizonShift(0.2f, 0.1f, 0.2f, -finf, view), inf);
    QCOMPARE(HorizonShift(finf, 0.1f, 0.2f, 0.1f, view), inf);
    QCOMPARE(HorizonShift(0.2f, finf, 0.2f, 0.1f, view), inf);
    QCOMPARE(HorizonShift(finf, 0.1f, finf, 0.2f, view), inf);
    // NaN equals nothing, not even itself: every picture with it is drawn.
    QCOMPARE(HorizonShift(fnan, 0.1f, fnan, 0.1f, view), inf);
}

// The horizon moves as one piece: a pitch slides it by 8 units a radian (a unit is a tenth of
// the view's height), a roll turns it about the centre, moving the corners the most.
void DialsTest::shiftOfTheHorizon()
{
    const QSizeF view(497, 321);
    QCOMPARE(HorizonShift(0.3f, 0.1f, 0.3f, 0.1f, view), 0.0);
    QVERIFY(std::fabs(HorizonShift(0, 0, 0, 0.001f, view) - 8 * 0.001 * 32.1) < 1e-4);
    QVERIFY(std::fabs(HorizonShift(1.0f, 0.2f, 1.0f, 0.201f, view) - 8 * 0.001 * 32.1) < 1e-3);
    // A roll of 0.001 at level flight: the corner 295.8 pixels out moves 0.296 pixels.
    const double corner = std::hypot(497 / 2.0, 321 / 2.0);
    QVERIFY(std::fabs(HorizonShift(0, 0, 0.001f, 0, view) - corner * 0.001) < 1e-4);
    // A half turn takes each corner to the opposite one.
    QVERIFY(std::fabs(HorizonShift(0, 0, float(Pi), 0, view) - 2 * corner) < 1e-3);
}

#include "support/TestMain.h"

QTEST_MAIN(DialsTest)
#include "tst_Dials.moc"
