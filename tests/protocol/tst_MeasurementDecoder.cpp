#include "protocol/FrameDispatch.h"
#include "protocol/MeasurementDecoder.h"

#include "protocol/FrameHandler.h"
#include "protocol/FrameReceiver.h"

#include "support/Bytes.h"

#include <QTest>

namespace {

// Payload of n floats, each zero unless given in floats (float k counted from 1).
QByteArray payloadOf(int n, const QList<std::pair<int, const char*>>& floats)
{
    QByteArray payload(4 * n, '\0');
    for (const auto& [k, bytes] : floats)
        payload.replace(4 * (k - 1), 4, hex(bytes));
    return payload;
}

// Records what the decoder hands on, in the order the window shows it: the frame-seen steps,
// then the measurement's horizon, route dial, magnetometer dial, sensor box and calibration
// box (a C frame: the box first), and text-frame messages.
class RecordingView
{
public:
    explicit RecordingView(MeasurementDecoder& decoder)
    {
        decoder.setFrameSeen([this] { calls.append(QStringLiteral("frameSeen")); });
        decoder.setMessageListener([this](const QString& text) { calls.append("Text5:" + text); });
        decoder.stream().subscribe([this](const Measurement& m) { show(m); });
    }

    QStringList calls;

private:
    void show(const Measurement& m)
    {
        if (m.kind == 'C' && m.calibrationText)
            calls.append("Text5:" + *m.calibrationText);
        calls.append(QStringLiteral("attitude %1 %2").arg(m.phi).arg(m.theta));
        calls.append(QStringLiteral("route %1").arg(m.psi));
        if (m.drawsDial)
            calls.append(QStringLiteral("magdial %1 %2").arg(m.dialU).arg(m.dialV));
        if (m.sensorText)
            calls.append("Text3:" + *m.sensorText);
        if (m.kind != 'C' && m.calibrationText)
            calls.append("Text5:" + *m.calibrationText);
    }
};

} // namespace

class TestMeasurementDecoder : public QObject
{
    Q_OBJECT
private slots:
    void frameFThroughTheReceiver_data();
    void frameFThroughTheReceiver();
    void frameFAllSteps();
    void frameFPromptCodes();
    void notFiniteAngleStillSeen();
    void frameG();
    void frameR();
    void frameCLeavesAnglesAndText3();
    void startUpCall();
    void shortPayloadReadsZeros();
    void commaSeparator();
    void textFrameMessage();
    void nobodyListening();
};

void TestMeasurementDecoder::frameFThroughTheReceiver_data()
{
    QTest::addColumn<QByteArray>("frame");
    const QByteArray payload = hex("00 00 80 3F") + QByteArray(68, '\0');
    QTest::newRow("N=0x12, 74 bytes") << hex("46 12") + payload;
    QTest::newRow("N=0x13, 76 bytes, last float ignored")
        << hex("46 13") + payload + hex("00 00 80 3F");
}

void TestMeasurementDecoder::frameFThroughTheReceiver()
{
    QFETCH(QByteArray, frame);
    MeasurementDecoder decoder(QLatin1Char('.'));
    RecordingView view(decoder);
    FrameDispatch handler(decoder);
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(frame);

    QCOMPARE(decoder.Phi, 1.0f);
    QCOMPARE(decoder.Theta, 0.0f);
    QCOMPARE(decoder.Psi, 0.0f);
    QCOMPARE(view.calls, (QStringList{"frameSeen", "attitude 1 0", "route 0", "magdial 0 0",
                                      "Text3:Hx : 0\r\nHy : 0\r\nHz : 0", "Text5:"}));
    QVERIFY(receiver.RxBuffer().isEmpty());
}

void TestMeasurementDecoder::frameFAllSteps()
{
    MeasurementDecoder decoder(QLatin1Char('.'));
    RecordingView view(decoder);
    // Phi 1, Theta 0.5, Psi -2, float 4 (unused) 99, Hx 0.125, Hy 0.375, Hz -2.5, code 2.
    decoder.DecodeFrameF(payloadOf(18, {{1, "00 00 80 3F"},
                                        {2, "00 00 00 3F"},
                                        {3, "00 00 00 C0"},
                                        {4, "00 00 C6 42"},
                                        {14, "00 00 00 3E"},
                                        {15, "00 00 C0 3E"},
                                        {16, "00 00 20 C0"},
                                        {17, "00 00 00 40"},
                                        {18, "00 00 C6 42"}}));
    QCOMPARE(decoder.Phi, 1.0f);
    QCOMPARE(decoder.Theta, 0.5f);
    QCOMPARE(decoder.Psi, -2.0f);
    QCOMPARE(view.calls,
             (QStringList{"frameSeen", "attitude 1 0.5", "route -2", "magdial 0.375 0.125",
                          "Text3:Hx : 0.12\r\nHy : 0.38\r\nHz : -2.5", "Text5:Measuring..."}));
}

void TestMeasurementDecoder::frameFPromptCodes()
{
    MeasurementDecoder decoder(QLatin1Char('.'));
    RecordingView view(decoder);

    decoder.DecodeFrameF(payloadOf(18, {{17, "00 00 80 3F"}}));
    QCOMPARE(view.calls.last(), QStringLiteral("Text5:On the left (Phi=-90°)"));

    view.calls.clear();
    decoder.DecodeFrameF(payloadOf(18, {{17, "00 00 20 40"}}));
    QCOMPARE(view.calls.size(), 5);
    QVERIFY(view.calls.last().startsWith("Text3:"));

    // A NaN code arrives as 0: the prompt is emptied.
    view.calls.clear();
    decoder.DecodeFrameF(payloadOf(18, {{17, "00 00 C0 7F"}}));
    QCOMPARE(view.calls.last(), QStringLiteral("Text5:"));

    view.calls.clear();
    decoder.DecodeFrameF(payloadOf(18, {{17, "00 00 50 41"}}));
    QCOMPARE(view.calls.last(), QStringLiteral("Text5:Point every possible direction"));
}

void TestMeasurementDecoder::notFiniteAngleStillSeen()
{
    MeasurementDecoder decoder(QLatin1Char('.'));
    RecordingView view(decoder);
    decoder.DecodeFrameF(payloadOf(18, {{1, "00 00 80 3F"}}));
    decoder.DecodeFrameF(payloadOf(18, {{1, "00 00 C0 7F"}, {2, "29 6B 6E 4E"}}));
    QCOMPARE(decoder.Phi, 0.0f);
    QCOMPARE(decoder.Theta, 0.0f);
    QCOMPARE(view.calls.count(QStringLiteral("frameSeen")), 2);
    QCOMPARE(view.calls.at(7), QStringLiteral("attitude 0 0"));
}

void TestMeasurementDecoder::frameG()
{
    MeasurementDecoder decoder(QLatin1Char('.'));
    RecordingView view(decoder);
    // Angles 0.5, -1, 2; values 0.0625, 0.0004, -1, 1234.5.
    decoder.DecodeFrameG(payloadOf(7, {{1, "00 00 00 3F"},
                                       {2, "00 00 80 BF"},
                                       {3, "00 00 00 40"},
                                       {4, "00 00 80 3D"},
                                       {5, "17 B7 D1 39"},
                                       {6, "00 00 80 BF"},
                                       {7, "00 50 9A 44"}}));
    QCOMPARE(decoder.Psi, 2.0f);
    QCOMPARE(view.calls,
             (QStringList{"frameSeen", "attitude 0.5 -1", "route 2", "magdial 0 0",
                          "Text3:Value1 : 0.062\r\nValue2 : 0\r\nValue3 : -1\r\nValue4 : "
                          "1234.5\r\n"}));
}

void TestMeasurementDecoder::frameR()
{
    MeasurementDecoder decoder(QLatin1Char('.'));
    RecordingView view(decoder);
    // Angles -0.5, 0.25, 3; Hx 12.5, Hy -0.03, Hz 0.
    decoder.DecodeFrameR(payloadOf(6, {{1, "00 00 00 BF"},
                                       {2, "00 00 80 3E"},
                                       {3, "00 00 40 40"},
                                       {4, "00 00 48 41"},
                                       {5, "8F C2 F5 BC"}}));
    QCOMPARE(view.calls,
             (QStringList{"frameSeen", "attitude -0.5 0.25", "route 3", "magdial -0.03 12.5",
                          "Text3:Hx : 12.5\r\nHy : -0.03\r\nHz : 0"}));
}

void TestMeasurementDecoder::frameCLeavesAnglesAndText3()
{
    MeasurementDecoder decoder(QLatin1Char('.'));
    RecordingView view(decoder);
    decoder.DecodeFrameR(
        payloadOf(6, {{1, "00 00 80 3F"}, {2, "00 00 00 3F"}, {3, "00 00 00 40"}}));
    view.calls.clear();

    // The C frame's own first floats (7, 7, 7) are not angles; float 8 is 12.345.
    decoder.DecodeFrameC(payloadOf(
        8, {{1, "00 00 E0 40"}, {2, "00 00 E0 40"}, {3, "00 00 E0 40"}, {8, "1F 85 45 41"}}));
    QCOMPARE(decoder.Phi, 1.0f);
    QCOMPARE(decoder.Theta, 0.5f);
    QCOMPARE(decoder.Psi, 2.0f);
    QCOMPARE(view.calls, (QStringList{"frameSeen", "Text5:12.35", "attitude 1 0.5", "route 2"}));
}

void TestMeasurementDecoder::startUpCall()
{
    MeasurementDecoder decoder(QLatin1Char('.'));
    RecordingView view(decoder);
    decoder.DecodeFrameF(QByteArray(128, '\0'));
    QCOMPARE(view.calls, (QStringList{"frameSeen", "attitude 0 0", "route 0", "magdial 0 0",
                                      "Text3:Hx : 0\r\nHy : 0\r\nHz : 0", "Text5:"}));
}

void TestMeasurementDecoder::shortPayloadReadsZeros()
{
    MeasurementDecoder decoder(QLatin1Char('.'));
    RecordingView view(decoder);
    // Only Phi, Theta, Psi present: the fields past the end read as 0.
    decoder.DecodeFrameF(hex("00 00 80 3F 00 00 00 3F 00 00 00 40"));
    QCOMPARE(decoder.Psi, 2.0f);
    QCOMPARE(view.calls, (QStringList{"frameSeen", "attitude 1 0.5", "route 2", "magdial 0 0",
                                      "Text3:Hx : 0\r\nHy : 0\r\nHz : 0", "Text5:"}));
    view.calls.clear();
    decoder.DecodeFrameC({});
    QCOMPARE(view.calls, (QStringList{"frameSeen", "Text5:0", "attitude 1 0.5", "route 2"}));
}

void TestMeasurementDecoder::commaSeparator()
{
    MeasurementDecoder decoder(QLatin1Char(','));
    RecordingView view(decoder);
    decoder.DecodeFrameR(
        payloadOf(6, {{4, "00 00 00 3E"}, {5, "00 00 C8 C1"}, {6, "8F C2 F5 BC"}}));
    QCOMPARE(view.calls.last(), QStringLiteral("Text3:Hx : 0,12\r\nHy : -25\r\nHz : -0,03"));
    QCOMPARE(decoder.ValuesText(0.0625f, -1.5f, 0.0f, 1e9f),
             QStringLiteral("Value1 : 0,062\r\nValue2 : -1,5\r\nValue3 : 0\r\nValue4 : "
                            "1000000000\r\n"));
}

void TestMeasurementDecoder::textFrameMessage()
{
    MeasurementDecoder decoder(QLatin1Char('.'));
    RecordingView view(decoder);
    FrameDispatch handler(decoder);
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(hex("2A 48 65 6C 6C 6F 23"));
    receiver.ReceiveFrames(hex("2A E9 74 E9 23"));
    QCOMPARE(view.calls, (QStringList{"Text5:Hello", QStringLiteral("Text5:\u00E9t\u00E9")}));
}

// With no view, no frame-seen steps and no message listener the angles are still kept, and a
// frame-seen step added alone runs for every frame.
void TestMeasurementDecoder::nobodyListening()
{
    MeasurementDecoder decoder(QLatin1Char('.'));
    FrameDispatch handler(decoder);
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(hex("2A 48 69 23"));
    receiver.ReceiveFrames(hex("52 03 00 00 80 3F 00 00 00 3F 00 00 00 C0"));
    QCOMPARE(decoder.Phi, 1.0f);
    QCOMPARE(decoder.Theta, 0.5f);
    QCOMPARE(decoder.Psi, -2.0f);
    QVERIFY(receiver.RxBuffer().isEmpty());
    int seen = 0;
    decoder.setFrameSeen([&seen] { ++seen; });
    receiver.ReceiveFrames(hex("47 01 00 00 40 40"));
    QCOMPARE(seen, 1);
    QCOMPARE(decoder.Phi, 3.0f);
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestMeasurementDecoder)
#include "tst_MeasurementDecoder.moc"
