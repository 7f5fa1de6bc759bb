#include "app/ArrivalReceiver.h"
#include "app/Form1.h"
#include "app/WindowViews.h"
#include "core/WindowTimer.h"
#include "display/PictureBox.h"
#include "protocol/Floats.h"
#include "protocol/FrameReceiver.h"
#include "protocol/MeasurementDecoder.h"
#include "support/FakeSerialControl.h"
#include "support/RecordingHandler.h"

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

} // namespace

class TestArrivalAndPacing : public QObject
{
    Q_OBJECT
private slots:
    // Timer2 switches the receiver on and off; it never ticks.
    void arrivalsAreCutWhileTheSwitchIsOn()
    {
        FakeSerialControl port;
        RecordingHandler handler;
        FrameReceiver receiver(handler);
        WindowTimer timer2(QStringLiteral("Timer2"), 1, false);
        ArrivalReceiver arrivals(port, receiver, timer2);
        port.setPortOpen(true);

        // Stopped (download, bootloader wait): the bytes stay in the port.
        port.feed(QByteArray("*A#*B#", 6));
        QVERIFY(handler.calls.isEmpty());
        timer2.setEnabled(true);
        QCOMPARE(timer2.Interval(), 1);
        QVERIFY(!timer2.isTicking());
        // What waited is taken at once after the start, every frame in order.
        QTRY_COMPARE(handler.calls, QStringList({"text:A", "text:B"}));

        // One arrival with two frames and a half: both frames now, the half waits.
        port.feed(QByteArray("*C#F\x01\x01\x02\x03\x04*D", 11));
        QCOMPARE(handler.calls, QStringList({"text:A", "text:B", "text:C", "F:01 02 03 04"}));
        port.feed(QByteArray("#", 1));
        QCOMPARE(handler.calls.last(), QString("text:D"));

        // A failing decoder does not hold back the frames behind it.
        handler.throwInDecoder = true;
        port.feed(QByteArray("G\x00G\x00", 4));
        QCOMPARE(handler.calls.mid(5), QStringList({"G:", "G:"}));
        QVERIFY(receiver.RxBuffer().isEmpty());

        timer2.setEnabled(false);
        port.feed(QByteArray("*E#", 3));
        QTest::qWait(20);
        QCOMPARE(handler.calls.size(), 7);
    }

    // Frames closer than a refresh: every frame decoded, the views drawn once more with the
    // newest values; the heading is written back at once.
    void viewsDrawTheNewestFrameOncePerRefresh()
    {
        // The frames below must come within one refresh of the first drawing, which a sanitized
        // build on a busy machine does not manage in 16 ms.
        constexpr int refreshMs = 500;
        Form1 form;
        WindowViews views(form, refreshMs);
        MeasurementDecoder decoder(views, QLatin1Char('.'));
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
        WindowViews views(form, 0);
        MeasurementDecoder decoder(views, QLatin1Char('.'));
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

QTEST_MAIN(TestArrivalAndPacing)
#include "tst_arrival_and_pacing.moc"
