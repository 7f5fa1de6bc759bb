#include "protocol/FrameReceiver.h"

#include "support/RecordingHandler.h"

#include "support/Bytes.h"

#include <QTest>

class TestFrameReceiver : public QObject
{
    Q_OBJECT
private slots:
    void cutsEachKind_data();
    void cutsEachKind();
    void oneFramePerCall();
    void incompleteFramesWait_data();
    void incompleteFramesWait();
    void frameCDropsTheRest();
    void emptyFrames();
    void textFrameSwallowsLaterFrames();
    void strayBytesBeforeAFrameAreDropped();
    void boundEmptiesABlockedBuffer();
    void boundKeepsCompleteFrames();
    void configuredBound();
    void constantsCountsThatNeverComplete_data();
    void constantsCountsThatNeverComplete();
    void constantsFrameAtTheBound();
    void fractionalConstantsCount();
};

void TestFrameReceiver::cutsEachKind_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QByteArray>("rest");
    QTest::addColumn<QByteArray>("constantsPayload");

    QTest::newRow("text") << hex("2A 48 65 6C 6C 6F 23 2A") << QStringList{"text:Hello"}
                          << hex("2A") << QByteArray();
    QTest::newRow("F") << hex("46 01 00 00 80 3F 46") << QStringList{"F:00 00 80 3f"} << hex("46")
                       << QByteArray();
    QTest::newRow("G") << hex("47 02 00 00 80 3F 00 00 60 40 99")
                       << QStringList{"G:00 00 80 3f 00 00 60 40"} << hex("99") << QByteArray();
    QTest::newRow("R") << hex("52 01 01 02 03 04 52 00") << QStringList{"R:01 02 03 04"}
                       << hex("52 00") << QByteArray();
    QTest::newRow("C") << hex("43 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"
                              "11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20")
                       << QStringList{"C:01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 "
                                      "11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f 20"}
                       << QByteArray() << QByteArray();
    QTest::newRow("constants") << hex("5B 00 00 00 40 00 00 80 3F 00 00 00 3F 46")
                               << QStringList{"constants"} << hex("46")
                               << hex("00 00 80 3F 00 00 00 3F");
}

void TestFrameReceiver::cutsEachKind()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, calls);
    QFETCH(QByteArray, rest);
    QFETCH(QByteArray, constantsPayload);

    RecordingHandler handler;
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(input);
    QCOMPARE(handler.calls, calls);
    QCOMPARE(receiver.RxBuffer().bytes(), rest);
    QCOMPARE(handler.constantsPayload, constantsPayload);
}

void TestFrameReceiver::oneFramePerCall()
{
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(hex("2A 48 65 6C 6C 6F 23 46 01 00 00 80 3F 52 00"));
    QCOMPARE(handler.calls, QStringList{"text:Hello"});
    QCOMPARE(receiver.RxBuffer().bytes(), hex("46 01 00 00 80 3F 52 00"));

    // The next frames are handled without new input, one per call.
    receiver.ReceiveFrames({});
    QCOMPARE(handler.calls, (QStringList{"text:Hello", "F:00 00 80 3f"}));
    receiver.ReceiveFrames({});
    QCOMPARE(handler.calls, (QStringList{"text:Hello", "F:00 00 80 3f", "R:"}));
    QVERIFY(receiver.RxBuffer().isEmpty());
    receiver.ReceiveFrames({});
    QCOMPARE(handler.calls.size(), 3);
}

void TestFrameReceiver::incompleteFramesWait_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QString>("call");

    QTest::newRow("F alone") << hex("46") << hex("00") << "F:";
    QTest::newRow("F N=18 with 40 bytes")
        << hex("46 12") + QByteArray(40, '\x01') << QByteArray(32, '\x01')
        << "F:" + hexDump(QByteArray(72, '\x01'));
    QTest::newRow("G one byte short") << hex("47 01 00 00 80") << hex("3F") << "G:00 00 80 3f";
    QTest::newRow("C with 32 bytes")
        << hex("43") + QByteArray(31, '\0') << hex("00 00") << "C:" + hexDump(QByteArray(32, '\0'));
    QTest::newRow("constants count half there") << hex("5B 00 00") << hex("00 00") << "constants";
    QTest::newRow("constants values short")
        << hex("5B 00 00 80 3F 00 00 80") << hex("3F") << "constants";
    QTest::newRow("text without #") << hex("2A 61 62") << hex("63 23") << "text:abc";
    QTest::newRow("text holding a lower-case f") << hex("2A 66 02") << hex("23") << "text:f\x02";
}

void TestFrameReceiver::incompleteFramesWait()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, tail);
    QFETCH(QString, call);

    RecordingHandler handler;
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(head);
    receiver.ReceiveFrames({});
    QVERIFY(handler.calls.isEmpty());
    QCOMPARE(receiver.RxBuffer().bytes(), head);

    receiver.ReceiveFrames(tail);
    QCOMPARE(handler.calls, QStringList{call});
    QVERIFY(receiver.RxBuffer().isEmpty());
}

void TestFrameReceiver::frameCDropsTheRest()
{
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(hex("43") + QByteArray(32, '\x07') + hex("47 07 00 00"));
    QCOMPARE(handler.calls, QStringList{"C:" + hexDump(QByteArray(32, '\x07'))});
    QVERIFY(receiver.RxBuffer().isEmpty());
    receiver.ReceiveFrames({});
    QCOMPARE(handler.calls.size(), 1);
}

void TestFrameReceiver::emptyFrames()
{
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(hex("46 00 5B 00 00 00 00 2A 23 99"));
    QCOMPARE(handler.calls, QStringList{"F:"});
    QCOMPARE(receiver.RxBuffer().bytes(), hex("5B 00 00 00 00 2A 23 99"));

    receiver.ReceiveFrames({});
    QCOMPARE(handler.calls, (QStringList{"F:", "constants"}));
    QVERIFY(handler.constantsPayload.isEmpty());
    QCOMPARE(receiver.RxBuffer().bytes(), hex("2A 23 99"));

    receiver.ReceiveFrames({});
    QCOMPARE(handler.calls, (QStringList{"F:", "constants", "text:"}));
    QCOMPARE(receiver.RxBuffer().bytes(), hex("99"));
}

void TestFrameReceiver::textFrameSwallowsLaterFrames()
{
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(hex("2A 41 46 00"));
    receiver.ReceiveFrames(hex("46 00"));
    QVERIFY(handler.calls.isEmpty());
    receiver.ReceiveFrames(hex("23 46 00"));
    QCOMPARE(handler.calls, QStringList{"text:" + QString::fromLatin1(hex("41 46 00 46 00"))});
    QCOMPARE(receiver.RxBuffer().bytes(), hex("46 00"));
}

void TestFrameReceiver::strayBytesBeforeAFrameAreDropped()
{
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    // A lower-case f starts no frame: it and the bytes up to the next frame start are dropped,
    // and that frame is handled in the same call.
    receiver.ReceiveFrames(hex("66 00 46 00 46"));
    QCOMPARE(handler.calls, QStringList{"F:"});
    QCOMPARE(receiver.RxBuffer().bytes(), hex("46"));

    // Noise between frames (a desync): one frame per call still, the noise goes with it.
    receiver.RxBuffer().discard();
    receiver.ReceiveFrames(hex("52 00 78 78 78 47 01 00 00"));
    QCOMPARE(handler.calls, (QStringList{"F:", "R:"}));
    QCOMPARE(receiver.RxBuffer().bytes(), hex("78 78 78 47 01 00 00"));
    receiver.ReceiveFrames({});
    QCOMPARE(receiver.RxBuffer().bytes(), hex("47 01 00 00"));
    receiver.ReceiveFrames(hex("80 3F"));
    QCOMPARE(handler.calls, (QStringList{"F:", "R:", "G:00 00 80 3f"}));
    QVERIFY(receiver.RxBuffer().isEmpty());

    // Nothing but stray bytes: none is kept.
    receiver.ReceiveFrames(hex("78 00 FF 66 23"));
    QVERIFY(receiver.RxBuffer().isEmpty());
    QCOMPARE(handler.calls.size(), 3);
}

void TestFrameReceiver::boundEmptiesABlockedBuffer()
{
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    // A constants count that is not a number never completes.
    receiver.ReceiveFrames(hex("5B 00 00 C0 7F"));
    receiver.ReceiveFrames(QByteArray(1048571, 'F'));
    QCOMPARE(receiver.RxBuffer().size(), 1048576);

    receiver.ReceiveFrames(hex("46"));
    QVERIFY(receiver.RxBuffer().isEmpty());
    QVERIFY(handler.calls.isEmpty());

    receiver.ReceiveFrames(hex("46 00"));
    QCOMPARE(handler.calls, QStringList{"F:"});

    // A text frame whose "#" never comes is dropped the same way.
    receiver.ReceiveFrames(hex("2A") + QByteArray(1048576, 'a'));
    QVERIFY(receiver.RxBuffer().isEmpty());
    QCOMPARE(handler.calls, QStringList{"F:"});
}

void TestFrameReceiver::boundKeepsCompleteFrames()
{
    // A backlog larger than the bound made of whole frames is drained, not dropped.
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    QByteArray backlog;
    for (int i = 0; i < 524289; ++i)
        backlog += hex("46 00");
    receiver.ReceiveFrames(backlog);
    QCOMPARE(handler.calls, QStringList{"F:"});
    QCOMPARE(receiver.RxBuffer().size(), 1048576);
    receiver.ReceiveFrames({});
    QCOMPARE(handler.calls.size(), 2);
}

void TestFrameReceiver::configuredBound()
{
    RecordingHandler handler;
    FrameReceiver receiver(handler, 64);
    QCOMPARE(receiver.rxBufferLimit(), 64);
    // A constants frame whose count is not a number never completes and holds the buffer.
    receiver.ReceiveFrames(hex("5B 00 00 C0 7F") + QByteArray(59, 'F'));
    QCOMPARE(receiver.RxBuffer().size(), 64);
    receiver.ReceiveFrames(hex("46"));
    QVERIFY(receiver.RxBuffer().isEmpty());

    // 14 constants (56 bytes) fit under the bound; 15 (60 bytes) never complete.
    receiver.ReceiveFrames(hex("5B 00 00 60 41") + QByteArray(56, '\x01'));
    QCOMPARE(handler.calls, QStringList{"constants"});
    receiver.ReceiveFrames(hex("5B 00 00 70 41") + QByteArray(60, '\x01'));
    QCOMPARE(handler.calls.size(), 1);
    QVERIFY(receiver.RxBuffer().isEmpty());
    QCOMPARE(FrameReceiver(handler).rxBufferLimit(), 1048576);
}

void TestFrameReceiver::constantsCountsThatNeverComplete_data()
{
    QTest::addColumn<QByteArray>("count");
    QTest::newRow("-1") << hex("00 00 80 BF");
    QTest::newRow("NaN") << hex("00 00 C0 7F");
    QTest::newRow("+infinity") << hex("00 00 80 7F");
    QTest::newRow("1e9") << hex("28 6B 6E 4E");
    QTest::newRow("262143, one byte over the bound") << hex("C0 FF 7F 48");
}

void TestFrameReceiver::constantsCountsThatNeverComplete()
{
    QFETCH(QByteArray, count);
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(hex("5B") + count + QByteArray(1000, '\0'));
    QVERIFY(handler.calls.isEmpty());
    QCOMPARE(receiver.RxBuffer().size(), 1005);

    // Enough bytes for a frame of 262143 constants: still never handled, the bound clears it.
    receiver.ReceiveFrames(QByteArray(1048577 - 1005, '\0'));
    QVERIFY(handler.calls.isEmpty());
    QVERIFY(receiver.RxBuffer().isEmpty());
}

void TestFrameReceiver::constantsFrameAtTheBound()
{
    // 262142 constants make a frame of 1048573 bytes, within the bound.
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(hex("5B 80 FF 7F 48") + QByteArray(1048568, '\0') + hex("46"));
    QCOMPARE(handler.calls, QStringList{"constants"});
    QCOMPARE(handler.constantsPayload.size(), 1048568);
    QCOMPARE(receiver.RxBuffer().bytes(), hex("46"));
}

void TestFrameReceiver::fractionalConstantsCount()
{
    // 2.5 constants: the byte length 10 is taken as it is.
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(hex("5B 00 00 20 40 00 00 80 3F 00 00 00 3F 11 22 46 00"));
    QCOMPARE(handler.calls, QStringList{"constants"});
    QCOMPARE(handler.constantsPayload, hex("00 00 80 3F 00 00 00 3F 11 22"));
    QCOMPARE(receiver.RxBuffer().bytes(), hex("46 00"));

    // 0.1 constants: 0.4 bytes, cut down to none.
    receiver.RxBuffer().discard();
    receiver.ReceiveFrames(hex("5B CD CC CC 3D 46 00"));
    QCOMPARE(handler.calls, (QStringList{"constants", "constants"}));
    QVERIFY(handler.constantsPayload.isEmpty());
    QCOMPARE(receiver.RxBuffer().bytes(), hex("46 00"));
}

QTEST_GUILESS_MAIN(TestFrameReceiver)
#include "tst_FrameReceiver.moc"
