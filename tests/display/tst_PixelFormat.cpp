// The format the attitude view asks for, and the judgement of what a context really got.

#include "display/PixelFormat.h"

#include <QtTest>

namespace {

// A format as a driver gives it for the request: the same, with 8 bits a colour and 24 depth.
QSurfaceFormat obtainedFor(const QSurfaceFormat& request)
{
    QSurfaceFormat got = request;
    got.setRedBufferSize(8);
    got.setGreenBufferSize(8);
    got.setBlueBufferSize(8);
    got.setDepthBufferSize(24);
    got.setProfile(QSurfaceFormat::NoProfile);
    return got;
}

} // namespace

class PixelFormatTest : public QObject
{
    Q_OBJECT
private slots:
    void theRequest()
    {
        const QSurfaceFormat request = CockpitFormatRequest();
        QCOMPARE(request.renderableType(), QSurfaceFormat::OpenGL);
        QCOMPARE(request.swapBehavior(), QSurfaceFormat::DoubleBuffer);
        QCOMPARE(request.redBufferSize(), 5);
        QCOMPARE(request.greenBufferSize(), 5);
        QCOMPARE(request.blueBufferSize(), 5);
        QCOMPARE(request.depthBufferSize(), 16);
        QCOMPARE(request.swapInterval(), 0);
        QVERIFY(request.profile() != QSurfaceFormat::CoreProfile);
    }

    // Each shortfall alone makes the format unusable; more bits than asked are fine.
    void everyShortfallIsRefused()
    {
        const QSurfaceFormat request = CockpitFormatRequest();
        const QSurfaceFormat good = obtainedFor(request);
        QVERIFY(IsUsablePixelFormat(good, request));
        QSurfaceFormat exact = request;
        QVERIFY(IsUsablePixelFormat(exact, request));
        exact.setProfile(QSurfaceFormat::CompatibilityProfile);
        QVERIFY(IsUsablePixelFormat(exact, request));

        QSurfaceFormat bad = good;
        bad.setRenderableType(QSurfaceFormat::OpenGLES);
        QVERIFY(!IsUsablePixelFormat(bad, request));
        bad = good;
        bad.setSwapBehavior(QSurfaceFormat::SingleBuffer);
        QVERIFY(!IsUsablePixelFormat(bad, request));
        bad = good;
        bad.setProfile(QSurfaceFormat::CoreProfile);
        QVERIFY(!IsUsablePixelFormat(bad, request));
        bad = good;
        bad.setRedBufferSize(4);
        QVERIFY(!IsUsablePixelFormat(bad, request));
        bad = good;
        bad.setGreenBufferSize(4);
        QVERIFY(!IsUsablePixelFormat(bad, request));
        bad = good;
        bad.setBlueBufferSize(4);
        QVERIFY(!IsUsablePixelFormat(bad, request));
        bad = good;
        bad.setDepthBufferSize(15);
        QVERIFY(!IsUsablePixelFormat(bad, request));
        bad.setDepthBufferSize(-1);
        QVERIFY(!IsUsablePixelFormat(bad, request));
    }

    // What the request leaves open (-1, "don't care") is met by anything, none included.
    void whatTheRequestLeavesOpen()
    {
        QSurfaceFormat request = CockpitFormatRequest();
        request.setDepthBufferSize(-1);
        request.setGreenBufferSize(-1);
        QSurfaceFormat got = obtainedFor(request);
        got.setDepthBufferSize(0);
        got.setGreenBufferSize(0);
        QVERIFY(IsUsablePixelFormat(got, request));
        got.setRedBufferSize(4);
        QVERIFY(!IsUsablePixelFormat(got, request));
    }
};

#include "support/TestMain.h"

QTEST_APPLESS_MAIN(PixelFormatTest)
#include "tst_PixelFormat.moc"
