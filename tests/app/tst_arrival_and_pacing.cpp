#include "app/Form1.h"
#include "app/WindowViews.h"
#include "display/PictureBox.h"
#include "protocol/Floats.h"
#include "protocol/MeasurementDecoder.h"

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

// The window's views listening to a decoder, as the window wires them.
struct Views
{
    Views(Form1& form, int refreshMs) : views(form, decoder.stream(), refreshMs)
    {
        decoder.setFrameSeen([this] { views.frameSeen(); });
    }
    MeasurementDecoder decoder{QLatin1Char('.')};
    WindowViews views;
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
        Form1 form;
        Views wired(form, refreshMs);
        WindowViews& views = wired.views;
        MeasurementDecoder& decoder = wired.decoder;
        int drawings = 0;
        views.setDrawnListener([&] { ++drawings; });

        decoder.DecodeFrameF(fFrame(0.25f, 1.0f, 1.5f).mid(2));
        QCOMPARE(drawings, 1);
        QCOMPARE(form.Text3->toPlainText(), QString("Hx : 1.5\nHy : 0\nHz : 0"));
        const QImage first = form.Route->image().copy();

        const float nan = std::numeric_limits<float>::quiet_NaN();
        decoder.DecodeFrameF(fFrame(0.5f, 2.0f, 2.5f).mid(2));
        decoder.DecodeFrameF(fFrame(0.75f, nan, 3.5f).mid(2));
        QCOMPARE(decoder.Phi, 0.75f);
        QCOMPARE(decoder.Psi, 0.0f);
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
        Form1 form;
        Views wired(form, 0);
        MeasurementDecoder& decoder = wired.decoder;
        int changes = 0;
        connect(form.Text3->document(), &QTextDocument::contentsChanged, [&] { ++changes; });
        decoder.DecodeFrameF(fFrame(0.25f, 1.0f, 1.5f).mid(2));
        const int afterFirst = changes;
        QVERIFY(afterFirst > 0);
        decoder.DecodeFrameF(fFrame(0.5f, 2.0f, 1.5f).mid(2));
        QTest::qWait(20);
        QCOMPARE(changes, afterFirst);

        form.Text3->setPlainText(QStringLiteral("typed"));
        decoder.DecodeFrameF(fFrame(0.5f, 2.0f, 1.5f).mid(2));
        QTRY_COMPARE(form.Text3->toPlainText(), QString("Hx : 1.5\nHy : 0\nHz : 0"));
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestArrivalAndPacing)
#include "tst_arrival_and_pacing.moc"
