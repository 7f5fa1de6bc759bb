#include "app/Form1.h"
#include "app/WindowViews.h"
#include "display/PictureBox.h"
#include "protocol/Floats.h"
#include "session/BoardSession.h"
#include "support/AppRig.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

#include <limits>

namespace {

QByteArray fFrame(float phi, float psi, float hx)
{
    float values[18] = {phi, 0, psi, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, hx, 0, 0, 0, 0};
    QByteArray bytes("F\x12", 2);
    for (float v : values)
        bytes += SingleToBytes(v);
    return bytes;
}

// The program's window with the views drawing at most once every refreshMs, fed frames through
// the board session's dispatch as the receiver feeds them.
struct Views
{
    explicit Views(int refreshMs) : rig(makeRig(refreshMs)) {}
    static std::unique_ptr<AppRig> makeRig(int refreshMs)
    {
        SkyvaneApp::Options options;
        options.redrawMs = refreshMs;
        return std::make_unique<AppRig>(options);
    }
    void frame(const QByteArray& wire) { rig->app->session().dispatch().DecodeFrameF(wire.mid(2)); }
    Form1& form() { return rig->form(); }
    WindowViews& views() { return rig->app->views(); }
    const MeasurementDecoder& decoder() { return rig->app->session().decoder(); }

    std::unique_ptr<AppRig> rig;
};

} // namespace

class TestArrivalAndPacing : public QObject
{
    Q_OBJECT
private slots:
    // Frames closer than a refresh: every frame decoded, the views drawn once more with the
    // newest values; a heading that is not a number arrives as 0.
    void viewsDrawTheNewestFrameOncePerRefresh()
    {
        // The frames below must come within one refresh of the first drawing, which a sanitized
        // build on a busy machine does not manage in 16 ms.
        constexpr int refreshMs = 500;
        Views wired(refreshMs);
        Form1& form = wired.form();
        int drawings = 0;
        wired.views().setDrawnListener([&] { ++drawings; });

        wired.frame(fFrame(0.25f, 1.0f, 1.5f));
        QCOMPARE(drawings, 1);
        QCOMPARE(form.Text3->toPlainText(), QString("Hx : 1.5\nHy : 0\nHz : 0"));
        const QImage first = form.Route->image().copy();

        const float nan = std::numeric_limits<float>::quiet_NaN();
        wired.frame(fFrame(0.5f, 2.0f, 2.5f));
        wired.frame(fFrame(0.75f, nan, 3.5f));
        QCOMPARE(wired.decoder().Phi(), 0.75f);
        QCOMPARE(wired.decoder().Psi(), 0.0f);
        QCOMPARE(form.Text32->text(), QString("Data OK"));
        QCOMPARE(drawings, 1);
        QCOMPARE(form.Text3->toPlainText(), QString("Hx : 1.5\nHy : 0\nHz : 0"));

        QTRY_COMPARE(drawings, 2);
        QCOMPARE(form.Text3->toPlainText(), QString("Hx : 3.5\nHy : 0\nHz : 0"));
        QVERIFY(form.Route->image() != first);
        // Nothing left to draw: no further drawing when the next refresh is over.
        QTest::qWait(refreshMs + 100);
        QCOMPARE(drawings, 2);
    }

    // Values that repeat leave the sensor box as it is (its text is not laid out again), and
    // an edit in the box is overwritten by the next frame.
    void sameValuesLeaveTheSensorBoxAlone()
    {
        Views wired(0);
        Form1& form = wired.form();
        int changes = 0;
        int drawings = 0;
        wired.views().setDrawnListener([&] { ++drawings; });
        connect(form.Text3->document(), &QTextDocument::contentsChanged, [&] { ++changes; });
        wired.frame(fFrame(0.25f, 1.0f, 1.5f));
        const int afterFirst = changes;
        QVERIFY(afterFirst > 0);
        wired.frame(fFrame(0.5f, 2.0f, 1.5f));
        QTRY_COMPARE(drawings, 2);
        QCOMPARE(changes, afterFirst);

        form.Text3->setPlainText(QStringLiteral("typed"));
        wired.frame(fFrame(0.5f, 2.0f, 1.5f));
        QTRY_COMPARE(form.Text3->toPlainText(), QString("Hx : 1.5\nHy : 0\nHz : 0"));
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestArrivalAndPacing)
#include "tst_arrival_and_pacing.moc"
