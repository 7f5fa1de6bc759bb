#include "protocol/Floats.h"

#include <QTest>

class TestFloats : public QObject
{
    Q_OBJECT
private slots:
    void bytesToSingle();
    void singleToBytes();
    void roundTrip_data();
    void roundTrip();
    void findText();
    void readFloatAt_data();
    void readFloatAt();
};

void TestFloats::bytesToSingle()
{
    QCOMPARE(BytesToSingle(QByteArray::fromHex("00 00 80 3F")), 1.0f);
    QCOMPARE(BytesToSingle(QByteArray::fromHex("28 6B 6E 4E")), 1e9f);
    QCOMPARE(BytesToSingle(QByteArray::fromHex("00 00 60 40")), 3.5f);
    QCOMPARE(BytesToSingle(QByteArray::fromHex("00 00 00 C0")), -2.0f);
    // Only the first four bytes count.
    QCOMPARE(BytesToSingle(QByteArray::fromHex("00 00 80 3F 12 34")), 1.0f);
    // Missing bytes count as 0: 00 00 80 (00) is the smallest normal float.
    QCOMPARE(BytesToSingle(QByteArray::fromHex("00 00 80")), 1.17549435e-38f);
    QCOMPARE(BytesToSingle(QByteArray()), 0.0f);
}

void TestFloats::singleToBytes()
{
    QCOMPARE(SingleToBytes(1.0f), QByteArray::fromHex("00 00 80 3F"));
    QCOMPARE(SingleToBytes(3.5f), QByteArray::fromHex("00 00 60 40"));
    QCOMPARE(SingleToBytes(-2.0f), QByteArray::fromHex("00 00 00 C0"));
    QCOMPARE(SingleToBytes(-0.0f), QByteArray::fromHex("00 00 00 80"));
    QCOMPARE(SingleToBytes(1e9f), QByteArray::fromHex("28 6B 6E 4E"));
}

void TestFloats::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("one") << QByteArray::fromHex("00 00 80 3F");
    QTest::newRow("negative zero") << QByteArray::fromHex("00 00 00 80");
    QTest::newRow("subnormal") << QByteArray::fromHex("01 00 00 00");
    QTest::newRow("largest") << QByteArray::fromHex("FF FF 7F 7F");
    QTest::newRow("-infinity") << QByteArray::fromHex("00 00 80 FF");
    QTest::newRow("NaN") << QByteArray::fromHex("00 00 C0 7F");
    QTest::newRow("all bytes differ") << QByteArray::fromHex("12 34 56 78");
}

void TestFloats::roundTrip()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(SingleToBytes(BytesToSingle(bytes)), bytes);
}

void TestFloats::findText()
{
    QCOMPARE(FindText("#", "ab#c#"), 3);
    QCOMPARE(FindText("#", "abc"), 0);
    QCOMPARE(FindText("#", "#"), 1);
    QCOMPARE(FindText("#", ""), 0);
    // Letter case is ignored, for ASCII letters only.
    QCOMPARE(FindText("B", "aab"), 3);
    QCOMPARE(FindText("xY", "AXyb"), 2);
    QCOMPARE(FindText("Route", "the ROUTE"), 5);
    QCOMPARE(FindText("\xE9", "\xC9"), 0);
    // Bytes just past the letters, "{" after "z" and "`" before "a", match only themselves.
    QCOMPARE(FindText("{`", "[@{`"), 3);
    QCOMPARE(FindText("{", "["), 0);
    QCOMPARE(FindText("abcd", "abc"), 0);
    QCOMPARE(FindText("", "abc"), 1);
    QCOMPARE(FindText("", ""), 0);
    // Bytes after a zero byte are searched too.
    QCOMPARE(FindText("#", QByteArray::fromHex("2A 00 00 23")), 4);
}

void TestFloats::readFloatAt_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("position");
    QTest::addColumn<float>("expected");
    QTest::newRow("one") << QByteArray::fromHex("00 00 80 3F") << 1 << 1.0f;
    QTest::newRow("minus one") << QByteArray::fromHex("00 00 80 BF") << 1 << -1.0f;
    QTest::newRow("second float") << QByteArray::fromHex("00 00 80 3F 00 00 60 40") << 5 << 3.5f;
    QTest::newRow("NaN") << QByteArray::fromHex("00 00 C0 7F") << 1 << 0.0f;
    QTest::newRow("+infinity") << QByteArray::fromHex("00 00 80 7F") << 1 << 0.0f;
    QTest::newRow("-infinity") << QByteArray::fromHex("00 00 80 FF") << 1 << 0.0f;
    QTest::newRow("exactly 1e9") << QByteArray::fromHex("28 6B 6E 4E") << 1 << 1e9f;
    QTest::newRow("exactly -1e9") << QByteArray::fromHex("28 6B 6E CE") << 1 << -1e9f;
    QTest::newRow("1000000064") << QByteArray::fromHex("29 6B 6E 4E") << 1 << 0.0f;
    QTest::newRow("-1000000064") << QByteArray::fromHex("29 6B 6E CE") << 1 << 0.0f;
    QTest::newRow("past the end") << QByteArray::fromHex("00 00 80 3F") << 5 << 0.0f;
    QTest::newRow("far past the end") << QByteArray::fromHex("00 00 80 3F") << 32000 << 0.0f;
    QTest::newRow("partly past the end")
        << QByteArray::fromHex("11 22 33 44 00 00 80") << 5 << 1.17549435e-38f;
    QTest::newRow("empty payload") << QByteArray() << 1 << 0.0f;
    QTest::newRow("position 0") << QByteArray::fromHex("00 00 80 3F") << 0 << 0.0f;
}

void TestFloats::readFloatAt()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, position);
    QFETCH(float, expected);
    const float value = ReadFloatAt(payload, position);
    // Exact comparison: a fuzzy one would take 1000000064 for 1e9.
    QVERIFY2(value == expected, qPrintable(QString::number(double(value), 'g', 12)));
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestFloats)
#include "tst_Floats.moc"
