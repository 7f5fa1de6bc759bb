#include "display/CockpitView.h"

#include <QOpenGLContext>
#include <QPointer>
#include <QWindow>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

const double Pi = 3.14159265358979;

struct Rgb
{
    int r;
    int g;
    int b;
};

bool nearRgb(QRgb pixel, Rgb want, int tolerance = 4)
{
    return std::abs(qRed(pixel) - want.r) <= tolerance &&
           std::abs(qGreen(pixel) - want.g) <= tolerance &&
           std::abs(qBlue(pixel) - want.b) <= tolerance;
}

QString describe(QRgb pixel)
{
    return QString("(%1, %2, %3)").arg(qRed(pixel)).arg(qGreen(pixel)).arg(qBlue(pixel));
}

// Pixel of a point in model units: the centre of the view is the origin, y points up,
// one unit is a tenth of the view's height in both directions.
QPoint pixelOf(const QImage& frame, double x, double y)
{
    const double unit = 0.1 * frame.height();
    return QPoint(static_cast<int>(std::floor(frame.width() / 2.0 + x * unit)),
                  static_cast<int>(std::floor(frame.height() / 2.0 - y * unit)));
}

QRgb sample(const QImage& frame, double x, double y)
{
    return frame.pixel(pixelOf(frame, x, y));
}

// Sky and ground fade from their horizon colour to black ten units away.
Rgb sky(double distance)
{
    const double f = 1 - distance / 10;
    return {int(std::lround(153 * f)), int(std::lround(204 * f)), int(std::lround(255 * f))};
}

Rgb ground(double distance)
{
    const double f = 1 - distance / 10;
    return {int(std::lround(204 * f)), int(std::lround(153 * f)), int(std::lround(51 * f))};
}

const Rgb White{255, 255, 255};
const Rgb Yellow{255, 255, 0};
const Rgb Grey40{0x40, 0x40, 0x40};

// The tests run at a pixel ratio of 1 and again at 1.5 and 2 (QT_SCALE_FACTOR, as Windows
// scales a screen at 150 % and 200 %): pictures are in device pixels, the view's size in pixels.
QSize devicePixels(const CockpitView& view, QSize pixels)
{
    return pixels * view.surfaceWindow()->devicePixelRatio();
}

// A line drawn w pixels wide, in device pixels.
int lineWidth(const CockpitView& view, int w)
{
    return std::max(1, int(std::lround(w * view.surfaceWindow()->devicePixelRatio())));
}

#define EXPECT_NEAR_RGB(frame, x, y, want)                                                         \
    do {                                                                                           \
        const QRgb got = sample(frame, x, y);                                                      \
        QVERIFY2(nearRgb(got, want),                                                               \
                 qPrintable(QString("at (%1, %2) units: %3").arg(x).arg(y).arg(describe(got))));   \
    } while (false)

} // namespace

class CockpitViewTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { m_view.reset(); }
    void drawsAtTheScreensScale();
    void showsGreyUntilTheFirstPicture();
    void levelFlight();
    void pitchMovesTheHorizonDown();
    void rollTurnsTheSkyToTheLeft();
    void wideBoxKeepsUnitsSquare();
    void repeatedSetUpKeepsDrawing();
    void repeatedSetUpKeepsTheContext();
    void failedSetUpKeepsTheWorkingView();
    void smallMovesWaitUntilTheyShow();
    void exposeShowsTheNewestAngles();
    void aHiddenViewDrawsTheNewestAnglesWhenShownAgain();
    void aResizedViewIsDrawnAgainAtItsNewSize();
    void twoViewsDrawEachInItsOwnContext();
    void aNewFormatRequestGetsANewContext();

private:
    CockpitView& showView(int width, int height);

    std::unique_ptr<CockpitView> m_view;
    QStringList m_reports;
};

CockpitView& CockpitViewTest::showView(int width, int height)
{
    m_reports.clear();
    m_view = std::make_unique<CockpitView>();
    m_view->setObjectName("Cockpit");
    m_view->setFailureReport([this](const QString& message) { m_reports.append(message); });
    m_view->setFrameCapture(true);
    m_view->resize(width, height);
    m_view->show();
    m_view->activateWindow();
    if (!QTest::qWaitForWindowExposed(m_view->surfaceWindow())) {
        qWarning("OpenGL window not exposed");
    }
    m_view->InitOpenGL();
    return *m_view;
}

// The scale asked for reaches the view (a screen of its own at more than 100 % scales it
// further), and its pictures fill it in device pixels: the cases below judge them by that.
void CockpitViewTest::drawsAtTheScreensScale()
{
    CockpitView& view = showView(200, 120);
    const double ratio = view.surfaceWindow()->devicePixelRatio();
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
        QVERIFY(ratio >= qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
    }
    view.DrawAttitude3D(0.0f, 0.0f);
    QCOMPARE(view.lastFrame().size(), QSize(200, 120) * ratio);
}

void CockpitViewTest::showsGreyUntilTheFirstPicture()
{
    CockpitView& view = showView(200, 120);
    QVERIFY(m_reports.isEmpty());
    QVERIFY(view.hasContext());
    const QImage frame = view.lastFrame();
    QCOMPARE(frame.size(), devicePixels(view, QSize(200, 120)));
    const QPoint corner(frame.width() - 1, frame.height() - 1);
    for (const QPoint& p : {QPoint(0, 0), corner / 2, corner}) {
        QVERIFY2(nearRgb(frame.pixel(p), Grey40, 1), qPrintable(describe(frame.pixel(p))));
    }
}

void CockpitViewTest::levelFlight()
{
    // The designed Cockpit: 7455 x 4815 twips.
    CockpitView& view = showView(497, 321);
    view.DrawAttitude3D(0.0f, 0.0f);
    const QImage frame = view.lastFrame();
    QCOMPARE(frame.size(), devicePixels(view, QSize(497, 321)));
    const double px = 1 / 32.1;

    EXPECT_NEAR_RGB(frame, -6.5, 4 * px, sky(4 * px));
    EXPECT_NEAR_RGB(frame, -6.5, -4 * px, ground(4 * px));
    EXPECT_NEAR_RGB(frame, 6.5, 2.5, sky(2.5));
    EXPECT_NEAR_RGB(frame, 6.5, -2.5, ground(2.5));
    EXPECT_NEAR_RGB(frame, 3, 4.9, sky(4.9));
    // Horizon line, wings over it, their downward tips, and the rung of 0 between them.
    EXPECT_NEAR_RGB(frame, -6.5, 0, White);
    EXPECT_NEAR_RGB(frame, 6.5, 0, White);
    EXPECT_NEAR_RGB(frame, 3.5, 0, Yellow);
    EXPECT_NEAR_RGB(frame, -3.5, 0, Yellow);
    EXPECT_NEAR_RGB(frame, 2, -0.5, Yellow);
    EXPECT_NEAR_RGB(frame, -2, -0.5, Yellow);
    EXPECT_NEAR_RGB(frame, 1, 0, White);
    EXPECT_NEAR_RGB(frame, 2.5, -0.5, ground(0.5));
    // Lines are 4 pixels thick for the symbol, 2 for the horizon, 1 for the rungs (at
    // 1.5 units out only those of -20 and 20 show beside the horizon), times the pixel ratio.
    const auto thickness = [&frame](double x, Rgb colour) {
        int count = 0;
        const int column = pixelOf(frame, x, 0).x();
        for (int row = 0; row < frame.height(); ++row) {
            count += nearRgb(frame.pixel(column, row), colour);
        }
        return count;
    };
    QCOMPARE(thickness(3.5, Yellow), lineWidth(view, 4));
    QCOMPARE(thickness(6.5, White), lineWidth(view, 2));
    QCOMPARE(thickness(1.5, White), lineWidth(view, 2) + 2 * lineWidth(view, 1));
    // Rungs: 20 degrees is 2.78 units up and 4 units long, 5 degrees 0.6 units long.
    EXPECT_NEAR_RGB(frame, 1.5, 20 * 0.139, White);
    EXPECT_NEAR_RGB(frame, 2.5, 20 * 0.139, sky(20 * 0.139));
    EXPECT_NEAR_RGB(frame, 0.5, -10 * 0.139, White);
    EXPECT_NEAR_RGB(frame, 1, -10 * 0.139, ground(10 * 0.139));
    EXPECT_NEAR_RGB(frame, 0.2, 5 * 0.139, White);
    EXPECT_NEAR_RGB(frame, 0.45, 5 * 0.139, sky(5 * 0.139));
}

void CockpitViewTest::pitchMovesTheHorizonDown()
{
    CockpitView& view = showView(497, 321);
    view.DrawAttitude3D(0.0f, 0.1745f);
    const QImage frame = view.lastFrame();
    const double horizon = -8 * 0.1745;
    const double px = 1 / 32.1;

    EXPECT_NEAR_RGB(frame, -6.5, horizon + 4 * px, sky(4 * px));
    EXPECT_NEAR_RGB(frame, -6.5, horizon - 4 * px, ground(4 * px));
    EXPECT_NEAR_RGB(frame, -6.5, horizon, White);
    EXPECT_NEAR_RGB(frame, -6.5, 0.5, sky(0.5 - horizon));
    // The wings stay level in the middle, now over the sky; the rung of 10 passes just
    // below the centre.
    EXPECT_NEAR_RGB(frame, 3.5, 0, Yellow);
    EXPECT_NEAR_RGB(frame, 0.4, horizon + 10 * 0.139, White);
    EXPECT_NEAR_RGB(frame, 1, horizon + 10 * 0.139, sky(10 * 0.139));
}

void CockpitViewTest::rollTurnsTheSkyToTheLeft()
{
    CockpitView& view = showView(321, 321);
    view.DrawAttitude3D(static_cast<float>(Pi / 2), 0.0f);
    const QImage frame = view.lastFrame();

    EXPECT_NEAR_RGB(frame, -1, 2.5, sky(1));
    EXPECT_NEAR_RGB(frame, 1, 2.5, ground(1));
    EXPECT_NEAR_RGB(frame, -4, -3, sky(4));
    EXPECT_NEAR_RGB(frame, 0, 3.5, White);
    // The symbol does not turn.
    EXPECT_NEAR_RGB(frame, 3.5, 0, Yellow);
    EXPECT_NEAR_RGB(frame, -3.5, 0, Yellow);
}

void CockpitViewTest::wideBoxKeepsUnitsSquare()
{
    CockpitView& view = showView(600, 200);
    view.DrawAttitude3D(0.0f, 0.0f);
    const QImage frame = view.lastFrame();
    QCOMPARE(frame.size(), devicePixels(view, QSize(600, 200)));

    // The wing ends 5 units out: half the height from the centre, also horizontally.
    EXPECT_NEAR_RGB(frame, 4.85, 0, Yellow);
    EXPECT_NEAR_RGB(frame, -4.9, 0, Yellow);
    EXPECT_NEAR_RGB(frame, 5.2, 0, White);
    EXPECT_NEAR_RGB(frame, -5.25, 0, White);
    // Sky colour one unit up is the same all along x, out to the sky's ends 10 units away.
    EXPECT_NEAR_RGB(frame, -9.5, 1, sky(1));
    EXPECT_NEAR_RGB(frame, 9.5, 1, sky(1));
    EXPECT_NEAR_RGB(frame, -10.5, 1, (Rgb{0, 0, 0}));
}

void CockpitViewTest::repeatedSetUpKeepsDrawing()
{
    CockpitView& view = showView(300, 200);
    view.DrawAttitude3D(0.0f, 0.0f);
    for (int i = 0; i < 20; ++i) {
        view.InitOpenGL();
    }
    QVERIFY(m_reports.isEmpty());
    QVERIFY(view.hasContext());
    // A set-up shows the last picture again rather than a blank.
    EXPECT_NEAR_RGB(view.lastFrame(), 0, 3, sky(3));
    view.DrawAttitude3D(0.0f, -0.1745f);
    const QImage frame = view.lastFrame();
    EXPECT_NEAR_RGB(frame, -4, 1.396 + 0.2, sky(0.2));
    EXPECT_NEAR_RGB(frame, -4, 1.396 - 0.2, ground(0.2));
}

void CockpitViewTest::repeatedSetUpKeepsTheContext()
{
    CockpitView& view = showView(300, 200);
    const QPointer<QOpenGLContext> first = QOpenGLContext::currentContext();
    QVERIFY(first);
    for (int i = 0; i < 5; ++i) {
        view.InitOpenGL();
    }
    QVERIFY(first);
    QCOMPARE(QOpenGLContext::currentContext(), first.data());
    QVERIFY(m_reports.isEmpty());
}

void CockpitViewTest::failedSetUpKeepsTheWorkingView()
{
    CockpitView& view = showView(300, 200);
    view.DrawAttitude3D(0.0f, 0.0f);

    const QSurfaceFormat usable = view.formatRequest();
    QSurfaceFormat impossible = usable;
    impossible.setDepthBufferSize(64);
    view.setFormatRequest(impossible);
    view.InitOpenGL();
    QCOMPARE(m_reports, QStringList{"format de pixels inconnu"});
    // The failure is reported, and the view goes on drawing with the context it had.
    QVERIFY(view.hasContext());
    view.DrawAttitude3D(static_cast<float>(Pi / 2), 0.0f);
    EXPECT_NEAR_RGB(view.lastFrame(), -1, 2.5, sky(1));
    view.InitOpenGL();
    QCOMPARE(m_reports.size(), 2);

    view.setFormatRequest(usable);
    view.InitOpenGL();
    QCOMPARE(m_reports.size(), 2);
    view.DrawAttitude3D(0.0f, -0.1745f);
    EXPECT_NEAR_RGB(view.lastFrame(), -4, 1.396 + 0.2, sky(0.2));
    EXPECT_NEAR_RGB(view.lastFrame(), -4, 1.396 - 0.2, ground(0.2));
}

// A move of less than half a pixel keeps the picture shown; moves add up from that picture,
// and the one that shows is drawn with the newest angles.
void CockpitViewTest::smallMovesWaitUntilTheyShow()
{
    CockpitView& view = showView(497, 321);
    // Half a device pixel: the angles below are for a pixel ratio of 1, and k makes them as
    // many device pixels at another.
    const float k = static_cast<float>(1 / view.surfaceWindow()->devicePixelRatio());
    view.DrawAttitude3D(0.3f, 0.0f);
    QCOMPARE(view.pictures(), 1);
    const QImage first = view.lastFrame();

    // Level, a roll of 0.0004 turns the farthest corner (295.8 pixels from the centre) by 0.12
    // pixels: four such steps stay below half a pixel, the fifth shows.
    for (int step = 1; step <= 4; ++step) {
        view.DrawAttitude3D(0.3f + 0.0004f * k * float(step), 0.0f);
    }
    QCOMPARE(view.pictures(), 1);
    QCOMPARE(view.lastFrame(), first);
    const float roll = 0.3f + 0.0020f * k;
    view.DrawAttitude3D(roll, 0.0f);
    QCOMPARE(view.pictures(), 2);
    // A pitch of 0.0015 slides the horizon by 8 x 0.0015 x 32.1 = 0.39 pixels, 0.002 by 0.51.
    view.DrawAttitude3D(roll, 0.0015f * k);
    QCOMPARE(view.pictures(), 2);
    view.DrawAttitude3D(roll, 0.0020f * k);
    QCOMPARE(view.pictures(), 3);

    // Going back to where the first picture was drawn from shows it again; noise around it
    // (as a board at rest gives) does not show.
    view.DrawAttitude3D(0.3f, 0.0f);
    QCOMPARE(view.pictures(), 4);
    QCOMPARE(view.lastFrame(), first);
    for (float noise : {0.0005f, -0.0005f, 0.0003f, -0.0002f, 0.0f}) {
        view.DrawAttitude3D(0.3f + noise * k, noise * k);
    }
    QCOMPARE(view.pictures(), 4);

    // A quarter turn shows at once.
    view.DrawAttitude3D(0.3f + static_cast<float>(Pi / 2), 0.0f);
    QCOMPARE(view.pictures(), 5);
}

void CockpitViewTest::exposeShowsTheNewestAngles()
{
    CockpitView& view = showView(321, 321);
    view.DrawAttitude3D(static_cast<float>(Pi / 2), 0.0f);
    view.DrawAttitude3D(static_cast<float>(Pi / 2) + 0.0005f, 0.0f);
    QCOMPARE(view.pictures(), 1);
    // A set-up (as every Timer3 tick makes one) presents the angles it has, the newest.
    view.InitOpenGL();
    QCOMPARE(view.pictures(), 2);
    EXPECT_NEAR_RGB(view.lastFrame(), -1, 2.5, sky(1));
    // From that picture on, a move of the same size is again too small to show.
    view.DrawAttitude3D(static_cast<float>(Pi / 2), 0.0f);
    QCOMPARE(view.pictures(), 2);
}

// Hidden, the view skips its pictures; shown again, it draws the newest angles it was given.
void CockpitViewTest::aHiddenViewDrawsTheNewestAnglesWhenShownAgain()
{
    CockpitView& view = showView(321, 321);
    view.DrawAttitude3D(0.0f, 0.0f);
    QCOMPARE(view.pictures(), 1);
    view.hide();
    QTRY_VERIFY(!view.surfaceWindow()->isExposed());
    view.DrawAttitude3D(static_cast<float>(Pi / 2), 0.0f);
    QCOMPARE(view.pictures(), 1);
    EXPECT_NEAR_RGB(view.lastFrame(), -1, 2.5, sky(2.5));
    // A set-up while hidden keeps the context and draws nothing.
    view.InitOpenGL();
    QVERIFY(view.hasContext());
    QCOMPARE(view.pictures(), 1);

    view.show();
    QTRY_VERIFY(view.pictures() >= 2);
    EXPECT_NEAR_RGB(view.lastFrame(), -1, 2.5, sky(1));
    EXPECT_NEAR_RGB(view.lastFrame(), 1, 2.5, ground(1));
    QVERIFY(m_reports.isEmpty());
}

// A new size is drawn again with the angles shown; the next set-up (as every Timer3 tick
// makes one) gives the picture the whole new size.
void CockpitViewTest::aResizedViewIsDrawnAgainAtItsNewSize()
{
    CockpitView& view = showView(300, 200);
    view.DrawAttitude3D(0.0f, 0.1745f);
    QCOMPARE(view.lastFrame().size(), devicePixels(view, QSize(300, 200)));
    const long long before = view.pictures();
    view.resize(400, 300);
    QTRY_COMPARE(view.lastFrame().size(), devicePixels(view, QSize(400, 300)));
    QVERIFY(view.pictures() > before);
    view.InitOpenGL();
    QVERIFY(m_reports.isEmpty());
    const QImage frame = view.lastFrame();
    QCOMPARE(frame.size(), devicePixels(view, QSize(400, 300)));
    const double horizon = -8 * 0.1745;
    EXPECT_NEAR_RGB(frame, -6.5, horizon + 0.2, sky(0.2));
    EXPECT_NEAR_RGB(frame, -6.5, horizon - 0.2, ground(0.2));
    EXPECT_NEAR_RGB(frame, 3.5, 0, Yellow);
}

// Two views, each with its own context: a draw in one makes its own context current, and
// neither draws into the other.
void CockpitViewTest::twoViewsDrawEachInItsOwnContext()
{
    CockpitView& first = showView(321, 321);
    CockpitView second;
    QStringList secondReports;
    second.setFailureReport([&secondReports](const QString& m) { secondReports.append(m); });
    second.setFrameCapture(true);
    second.resize(321, 321);
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(second.surfaceWindow()));
    second.InitOpenGL();
    QVERIFY(secondReports.isEmpty());
    QVERIFY(second.hasContext());

    for (int round = 0; round < 2; ++round) {
        first.DrawAttitude3D(static_cast<float>(Pi / 2), 0.01f * round);
        second.DrawAttitude3D(static_cast<float>(-Pi / 2), 0.01f * round);
        EXPECT_NEAR_RGB(first.lastFrame(), -1, 2.5, sky(1));
        EXPECT_NEAR_RGB(first.lastFrame(), 1, 2.5, ground(1));
        EXPECT_NEAR_RGB(second.lastFrame(), -1, 2.5, ground(1));
        EXPECT_NEAR_RGB(second.lastFrame(), 1, 2.5, sky(1));
    }
    QCOMPARE(first.pictures(), 2);
    QCOMPARE(second.pictures(), 2);
    // A set-up of one keeps each its own context.
    first.InitOpenGL();
    second.DrawAttitude3D(0.0f, 0.0f);
    EXPECT_NEAR_RGB(second.lastFrame(), -3, 2.5, sky(2.5));
    EXPECT_NEAR_RGB(first.lastFrame(), -1, 2.5, sky(1));
}

// A set-up after a new (usable) request makes a new context for it and lets the old one go.
void CockpitViewTest::aNewFormatRequestGetsANewContext()
{
    CockpitView& view = showView(300, 200);
    view.DrawAttitude3D(0.0f, 0.0f);
    const QPointer<QOpenGLContext> before = QOpenGLContext::currentContext();
    QVERIFY(before);
    QSurfaceFormat deeper = view.formatRequest();
    deeper.setDepthBufferSize(24);
    view.setFormatRequest(deeper);
    QCOMPARE(view.formatRequest().depthBufferSize(), 24);
    view.InitOpenGL();
    QVERIFY(m_reports.isEmpty());
    QVERIFY(view.hasContext());
    QVERIFY(!before);
    QVERIFY(QOpenGLContext::currentContext());
    QVERIFY(QOpenGLContext::currentContext()->format().depthBufferSize() >= 24);
    view.DrawAttitude3D(0.0f, -0.1745f);
    EXPECT_NEAR_RGB(view.lastFrame(), -4, 1.396 + 0.2, sky(0.2));
    EXPECT_NEAR_RGB(view.lastFrame(), -4, 1.396 - 0.2, ground(0.2));
}

#include "support/TestMain.h"

QTEST_MAIN(CockpitViewTest)
#include "tst_CockpitView.moc"
