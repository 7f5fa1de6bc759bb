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
    void countsOfNoTableAreDropped_data();
    void countsOfNoTableAreDropped();
    void countOfNoTableInsideFloatData();
    void constantsFrameAtTheBound();
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
    receiver.discardReceived();
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
    // A text frame whose "#" never comes holds the buffer up to the bound.
    receiver.ReceiveFrames(hex("2A") + QByteArray(1048570, 'a'));
    receiver.ReceiveFrames(QByteArray(5, 'F'));
    QCOMPARE(receiver.RxBuffer().size(), 1048576);

    receiver.ReceiveFrames(hex("46"));
    QVERIFY(receiver.RxBuffer().isEmpty());
    QVERIFY(handler.calls.isEmpty());

    receiver.ReceiveFrames(hex("46 00"));
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
    receiver.ReceiveFrames(hex("2A") + QByteArray(63, 'a'));
    QCOMPARE(receiver.RxBuffer().size(), 64);
    receiver.ReceiveFrames(hex("46"));
    QVERIFY(receiver.RxBuffer().isEmpty());

    // 14 constants (56 bytes) fit under the bound; 15 (60 bytes) would not: that "[" starts no
    // frame and goes with the bytes after it up to the next frame start.
    receiver.ReceiveFrames(hex("5B 00 00 60 41") + QByteArray(56, '\x01'));
    QCOMPARE(handler.calls, QStringList{"constants"});
    receiver.ReceiveFrames(hex("5B 00 00 70 41") + QByteArray(60, '\x01') + hex("52 00"));
    QCOMPARE(handler.calls, (QStringList{"constants", "R:"}));
    QVERIFY(receiver.RxBuffer().isEmpty());
    QCOMPARE(FrameReceiver(handler).rxBufferLimit(), 1048576);
}

void TestFrameReceiver::countsOfNoTableAreDropped_data()
{
    QTest::addColumn<QByteArray>("count");
    QTest::newRow("-1") << hex("00 00 80 BF");
    QTest::newRow("NaN") << hex("00 00 C0 7F");
    QTest::newRow("+infinity") << hex("00 00 80 7F");
    QTest::newRow("-infinity") << hex("00 00 80 FF");
    QTest::newRow("1e9") << hex("28 6B 6E 4E");
    QTest::newRow("262143, one byte over the bound") << hex("C0 FF 7F 48");
    QTest::newRow("2.5") << hex("00 00 20 40");
    QTest::newRow("0.1") << hex("CD CC CC 3D");
}

void TestFrameReceiver::countsOfNoTableAreDropped()
{
    QFETCH(QByteArray, count);
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    // The "[" goes like a stray byte, and the count bytes with it up to the next frame start,
    // which is handled in the same call.
    receiver.ReceiveFrames(hex("5B") + count + hex("00 00 80 3F 46 01 00 00 80 3F 46"));
    QCOMPARE(handler.calls, QStringList{"F:00 00 80 3f"});
    QCOMPARE(receiver.RxBuffer().bytes(), hex("46"));

    // A count arriving in pieces is judged once its 4 bytes are there.
    receiver.discardReceived();
    receiver.ReceiveFrames(hex("5B") + count.left(2));
    QCOMPARE(receiver.RxBuffer().bytes(), hex("5B") + count.left(2));
    receiver.ReceiveFrames(count.mid(2) + hex("52 00"));
    QCOMPARE(handler.calls, (QStringList{"F:00 00 80 3f", "R:"}));
    QVERIFY(receiver.RxBuffer().isEmpty());
}

void TestFrameReceiver::countOfNoTableInsideFloatData()
{
    // The buffer was emptied in the middle of an F frame (the stream toggle); the rest of its
    // floats holds 5B CD CC 4C BE (a count of -0.2), which held the buffer until the bound.
    // Now the next F frame is decoded at once.
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(hex("00 5B CD CC 4C BE 00 00 80 3F 46 01 00 00 00 40"));
    QCOMPARE(handler.calls, QStringList{"F:00 00 00 40"});
    QVERIFY(receiver.RxBuffer().isEmpty());

    // A "[" with a whole count still waits for its table, and -0 counts no entries.
    receiver.ReceiveFrames(hex("5B 00 00 80 3F 00 00"));
    QCOMPARE(receiver.RxBuffer().size(), 7);
    receiver.ReceiveFrames(hex("80 3F 5B 00 00 00 80"));
    QCOMPARE(handler.calls, (QStringList{"F:00 00 00 40", "constants"}));
    QCOMPARE(handler.constantsPayload, hex("00 00 80 3F"));
    receiver.ReceiveFrames({});
    QCOMPARE(handler.calls.size(), 3);
    QVERIFY(handler.constantsPayload.isEmpty());
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

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestFrameReceiver)
#include "tst_FrameReceiver.moc"
