#include "protocol/FrameDispatch.h"
#include "protocol/MeasurementDecoder.h"

#include "protocol/FrameReceiver.h"

#include "support/Bytes.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

// Payload of n floats, each zero unless given in floats (float k counted from 1).
QByteArray payloadOf(int n, const QList<std::pair<int, const char*>>& floats)
{
    QByteArray payload(4 * n, '\0');
    for (const auto& [k, bytes] : floats)
        payload.replace(4 * (k - 1), 4, hex(bytes));
    return payload;
}

// Records what the dispatch hands on, in the order it comes: the frame-seen steps, each
// measurement ("F 1 0.5 -2 n=18": letter, angles, number of values), text-frame messages and
// constants frames. Two listeners on each road: every one of them is told.
class RecordingListeners
{
public:
    explicit RecordingListeners(FrameDispatch& dispatch)
    {
        QObject::connect(&dispatch, &FrameDispatch::frameSeen,
                         [this] { calls.append(QStringLiteral("frameSeen")); });
        QObject::connect(&dispatch, &FrameDispatch::deviceMessage,
                         [this](const QString& text) { calls.append("message:" + text); });
        QObject::connect(&dispatch, &FrameDispatch::deviceMessage,
                         [this](const QString&) { ++secondListener; });
        QObject::connect(&dispatch, &FrameDispatch::constantsFrame,
                         [this](const QByteArray& p) { calls.append("constants:" + hexDump(p)); });
        dispatch.stream().subscribe([this](const Measurement& m) {
            last = m;
            calls.append(QStringLiteral("%1 %2 %3 %4 n=%5")
                             .arg(QLatin1Char(m.kind))
                             .arg(m.phi)
                             .arg(m.theta)
                             .arg(m.psi)
                             .arg(m.values.size()));
        });
        dispatch.stream().subscribe([this](const Measurement&) { ++secondListener; });
    }

    QStringList calls;
    Measurement last;
    int secondListener = 0;
};

} // namespace

class TestMeasurementDecoder : public QObject
{
    Q_OBJECT
private slots:
    void frameFThroughTheReceiver_data();
    void frameFThroughTheReceiver();
    void frameFValuesAsSent();
    void notFiniteValues();
    void frameGAndR();
    void frameCLeavesTheAngles();
    void shortPayloadReadsZeros();
    void textAndConstantsFrames();
    void shownWithoutCounting();
};

void TestMeasurementDecoder::frameFThroughTheReceiver_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("count");
    const QByteArray payload = hex("00 00 80 3F") + QByteArray(68, '\0');
    QTest::newRow("N=0x12, 74 bytes") << hex("46 12") + payload << 18;
    QTest::newRow("N=0x13, 76 bytes, one more float")
        << hex("46 13") + payload + hex("00 00 80 3F") << 19;
}

void TestMeasurementDecoder::frameFThroughTheReceiver()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, count);
    FrameDispatch dispatch;
    RecordingListeners listeners(dispatch);
    FrameReceiver receiver(dispatch);
    receiver.ReceiveFrames(frame);

    QCOMPARE(dispatch.decoder().Phi(), 1.0f);
    QCOMPARE(dispatch.decoder().Theta(), 0.0f);
    QCOMPARE(dispatch.decoder().Psi(), 0.0f);
    // The frame-seen steps before the measurement's listeners.
    QCOMPARE(listeners.calls,
             (QStringList{"frameSeen", QStringLiteral("F 1 0 0 n=%1").arg(count)}));
    QCOMPARE(listeners.secondListener, 1);
    QCOMPARE(dispatch.frames(), 1);
    QVERIFY(receiver.RxBuffer().isEmpty());
}

void TestMeasurementDecoder::frameFValuesAsSent()
{
    FrameDispatch dispatch;
    RecordingListeners listeners(dispatch);
    // Phi 1, Theta 0.5, Psi -2, float 4 99, Hx 0.125, Hy 0.375, Hz -2.5, code 2, float 18 99.
    const QByteArray payload = payloadOf(18, {{1, "00 00 80 3F"},
                                              {2, "00 00 00 3F"},
                                              {3, "00 00 00 C0"},
                                              {4, "00 00 C6 42"},
                                              {14, "00 00 00 3E"},
                                              {15, "00 00 C0 3E"},
                                              {16, "00 00 20 C0"},
                                              {17, "00 00 00 40"},
                                              {18, "00 00 C6 42"}});
    dispatch.DecodeFrameF(payload);
    QCOMPARE(listeners.calls, (QStringList{"frameSeen", "F 1 0.5 -2 n=18"}));
    const Measurement& m = listeners.last;
    QCOMPARE(m.at(4), 99.0f);
    QCOMPARE(m.at(14), 0.125f);
    QCOMPARE(m.at(15), 0.375f);
    QCOMPARE(m.at(16), -2.5f);
    QCOMPARE(m.at(17), 2.0f);
    QCOMPARE(m.payload(), payload);
}

// Values that are not finite or beyond 1e9 are kept as sent but read as 0, as the angles are.
void TestMeasurementDecoder::notFiniteValues()
{
    FrameDispatch dispatch;
    RecordingListeners listeners(dispatch);
    dispatch.DecodeFrameF(payloadOf(18, {{1, "00 00 80 3F"}}));
    dispatch.DecodeFrameF(
        payloadOf(18, {{1, "00 00 C0 7F"}, {2, "29 6B 6E 4E"}, {14, "00 00 80 FF"}}));
    QCOMPARE(dispatch.decoder().Phi(), 0.0f);
    QCOMPARE(dispatch.decoder().Theta(), 0.0f);
    QCOMPARE(listeners.calls.count(QStringLiteral("frameSeen")), 2);
    QCOMPARE(listeners.calls.last(), QStringLiteral("F 0 0 0 n=18"));
    const Measurement& m = listeners.last;
    QVERIFY(std::isnan(m.values[0]));
    QCOMPARE(m.values[1], 1.0e9f + 64.0f);
    QVERIFY(std::isinf(m.values[13]));
    QCOMPARE(m.at(1), 0.0f);
    QCOMPARE(m.at(2), 0.0f);
    QCOMPARE(m.at(14), 0.0f);
    QCOMPARE(m.at(0), 0.0f);
    QCOMPARE(m.at(19), 0.0f);
}

void TestMeasurementDecoder::frameGAndR()
{
    FrameDispatch dispatch;
    RecordingListeners listeners(dispatch);
    // Angles 0.5, -1, 2; values 0.0625, 0.0004, -1, 1234.5.
    dispatch.DecodeFrameG(payloadOf(7, {{1, "00 00 00 3F"},
                                        {2, "00 00 80 BF"},
                                        {3, "00 00 00 40"},
                                        {4, "00 00 80 3D"},
                                        {5, "17 B7 D1 39"},
                                        {6, "00 00 80 BF"},
                                        {7, "00 50 9A 44"}}));
    QCOMPARE(dispatch.decoder().Psi(), 2.0f);
    QCOMPARE(listeners.last.at(7), 1234.5f);
    // Angles -0.5, 0.25, 3; Hx 12.5, Hy -0.03, Hz 0.
    dispatch.DecodeFrameR(payloadOf(6, {{1, "00 00 00 BF"},
                                        {2, "00 00 80 3E"},
                                        {3, "00 00 40 40"},
                                        {4, "00 00 48 41"},
                                        {5, "8F C2 F5 BC"}}));
    QCOMPARE(listeners.calls,
             (QStringList{"frameSeen", "G 0.5 -1 2 n=7", "frameSeen", "R -0.5 0.25 3 n=6"}));
    QCOMPARE(listeners.last.at(4), 12.5f);
}

void TestMeasurementDecoder::frameCLeavesTheAngles()
{
    FrameDispatch dispatch;
    RecordingListeners listeners(dispatch);
    dispatch.DecodeFrameR(
        payloadOf(6, {{1, "00 00 80 3F"}, {2, "00 00 00 3F"}, {3, "00 00 00 40"}}));
    listeners.calls.clear();

    // The C frame's own first floats (7, 7, 7) are not angles; float 8 is 12.345.
    dispatch.DecodeFrameC(payloadOf(
        8, {{1, "00 00 E0 40"}, {2, "00 00 E0 40"}, {3, "00 00 E0 40"}, {8, "1F 85 45 41"}}));
    QCOMPARE(dispatch.decoder().Phi(), 1.0f);
    QCOMPARE(dispatch.decoder().Theta(), 0.5f);
    QCOMPARE(dispatch.decoder().Psi(), 2.0f);
    QCOMPARE(listeners.calls, (QStringList{"frameSeen", "C 1 0.5 2 n=8"}));
    QCOMPARE(listeners.last.at(8), 12.345f);
    QCOMPARE(listeners.last.at(1), 7.0f);
}

void TestMeasurementDecoder::shortPayloadReadsZeros()
{
    FrameDispatch dispatch;
    RecordingListeners listeners(dispatch);
    // Only Phi, Theta, Psi present: the fields past the end read as 0.
    dispatch.DecodeFrameF(hex("00 00 80 3F 00 00 00 3F 00 00 00 40"));
    QCOMPARE(listeners.calls, (QStringList{"frameSeen", "F 1 0.5 2 n=3"}));
    QCOMPARE(listeners.last.at(14), 0.0f);
    dispatch.DecodeFrameC({});
    QCOMPARE(listeners.calls.last(), QStringLiteral("C 1 0.5 2 n=0"));
    QCOMPARE(listeners.last.at(8), 0.0f);
}

// Text frames and constants frames reach their listeners straight from the dispatch, one
// character per byte; nothing is decoded or published for them.
void TestMeasurementDecoder::textAndConstantsFrames()
{
    FrameDispatch dispatch;
    RecordingListeners listeners(dispatch);
    FrameReceiver receiver(dispatch);
    receiver.ReceiveFrames(hex("2A 48 65 6C 6C 6F 23"));
    receiver.ReceiveFrames(hex("2A E9 74 E9 23"));
    receiver.ReceiveFrames(hex("5B 00 00 80 3F 00 00 20 41"));
    QCOMPARE(listeners.calls, (QStringList{"message:Hello", QStringLiteral("message:\u00E9t\u00E9"),
                                           "constants:00 00 20 41"}));
    QCOMPARE(listeners.secondListener, 2);
    QCOMPARE(dispatch.frames(), 3);
}

// The start-up's zero frame: seen and published as a received one, not counted as received.
void TestMeasurementDecoder::shownWithoutCounting()
{
    FrameDispatch dispatch;
    RecordingListeners listeners(dispatch);
    QSignalSpy seen(&dispatch, &FrameDispatch::frameSeen);
    dispatch.show(dispatch.decoder().DecodeFrameF(QByteArray(128, '\0')));
    QCOMPARE(seen.size(), 1);
    QCOMPARE(listeners.calls, (QStringList{"frameSeen", "F 0 0 0 n=32"}));
    QCOMPARE(dispatch.frames(), 0);
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestMeasurementDecoder)
#include "tst_MeasurementDecoder.moc"
