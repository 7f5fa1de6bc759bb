#include "record/RecordingFormat.h"
#include "record/RecordingReader.h"

#include <QFile>
#include <QTest>

#include <bit>
#include <cstdint>
#include <limits>

using namespace RecordingFormat;

namespace {

float fromBits(std::uint32_t bits)
{
    return std::bit_cast<float>(bits);
}

} // namespace

class TestRecordingFormat : public QObject
{
    Q_OBJECT

private slots:
    void headerLines()
    {
        const Info info{QDateTime(QDate(2026, 12, 7), QTime(15, 5, 30)), "COM3", 115200, 33};
        QCOMPARE(RecordingFormat::headerLines(info),
                 QByteArray("# Skyvane recording started 2026-12-07T15:05:30, port COM3, 115200 "
                            "baud, polling 33 ms\n"
                            "# G columns: time,kind,phi,theta,psi,value1,value2,value3,value4\n"
                            "# R columns: time,kind,phi,theta,psi,hx,hy,hz\n"
                            "# C columns: time,kind,f1,f2,f3,f4,f5,f6,f7,value\n"
                            "time,kind,phi,theta,psi,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13,hx,hy,hz,"
                            "code,f18\n"));
    }

    void rowTexts()
    {
        QCOMPARE(row(1234567, 'G', {1.5f, -0.1f, 0.0f, -0.0f}),
                 QByteArray("1.234567,G,1.5,-0.100000001,0,-0\n"));
        QCOMPARE(row(33000, 'F', {}), QByteArray("0.033000,F\n"));
        QCOMPARE(row(7200000001, 'R', {1e9f, 1000000064.0f, 3.14159274f}),
                 QByteArray("7200.000001,R,1e+09,1.00000006e+09,3.14159274\n"));
        QCOMPARE(floatText(std::numeric_limits<float>::max()), QByteArray("3.40282347e+38"));
        QCOMPARE(floatText(std::numeric_limits<float>::infinity()), QByteArray("inf"));
        QCOMPARE(floatText(-std::numeric_limits<float>::infinity()), QByteArray("-inf"));
        QCOMPARE(floatText(fromBits(0x7FC00000)), QByteArray("nan"));
        QCOMPARE(floatText(fromBits(0xFFC00000)), QByteArray("-nan"));
        QCOMPARE(floatText(fromBits(0xFFFFFFFF)), QByteArray("nan(0xffffffff)"));
        QCOMPARE(floatText(fromBits(0x7F800001)), QByteArray("nan(0x7f800001)"));
    }

    // Every float survives row() and parseRow() with its 32 bits, whatever they are.
    void everyBitPattern()
    {
        QList<float> values;
        for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 0x000FEDCBu)
            values.append(fromBits(std::uint32_t(bits)));
        values.append({fromBits(1), fromBits(0x007FFFFF), fromBits(0x80000001),
                       std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest()});
        for (qsizetype i = 0; i < values.size(); i += 200) {
            const QList<float> part = values.mid(i, 200);
            const QByteArray text = row(5, 'F', part);
            const ParsedRow parsed = parseRow(text.chopped(1));
            QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));
            QCOMPARE(parsed.measurement.values.size(), part.size());
            for (qsizetype k = 0; k < part.size(); ++k)
                QCOMPARE(std::bit_cast<std::uint32_t>(parsed.measurement.values[k]),
                         std::bit_cast<std::uint32_t>(part[k]));
        }
    }

    // NaNs as people and other tools write them keep the sign they show; "+" before a number
    // is no part of it.
    void nanAndSignTextsOfOtherTools()
    {
        const ParsedRow parsed =
            parseRow("0.5,F,-nan,-NaN,+NaN,NaN,NAN,nan(0x7fc00001),nan(0xffc00000),+1.5,");
        QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));
        QCOMPARE(parsed.microseconds, 500000);
        QList<std::uint32_t> bits;
        for (float v : parsed.measurement.values)
            bits.append(std::bit_cast<std::uint32_t>(v));
        QCOMPARE(bits, (QList<std::uint32_t>{0xFFC00000u, 0xFFC00000u, 0x7FC00000u, 0x7FC00000u,
                                             0x7FC00000u, 0x7FC00001u, 0xFFC00000u, 0x3FC00000u}));
    }

    void readerRefuses_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        QTest::newRow("time") << QByteArray("0.000000,F,1\n1.5s,F,1\n")
                              << "line 3: time \"1.5s\" is not a number of seconds";
        QTest::newRow("comma time")
            << QByteArray("0,5,F,1\n") << "line 2: frame letter \"5\" is not F, G, R or C";
        QTest::newRow("empty time")
            << QByteArray(",F,1\n") << "line 2: time \"\" is not a number of seconds";
        QTest::newRow("infinite time")
            << QByteArray("inf,F,1\n") << "line 2: time \"inf\" is not a number of seconds";
        QTest::newRow("negative time")
            << QByteArray("-0.000001,F,1\n") << "line 2: time \"-0.000001\" is before the start";
        QTest::newRow("negative zero time")
            << QByteArray("-0,F,1\n") << "line 2: time \"-0\" is before the start";
        QTest::newRow("letter") << QByteArray("0.000000,X,1\n")
                                << "line 2: frame letter \"X\" is not F, G, R or C";
        QTest::newRow("no letter")
            << QByteArray("0.000000\n") << "line 2: no frame letter after the time";
        QTest::newRow("comma decimal") << QByteArray("0.000000,G,1,2\n0.100000,G,1,2,5\n"
                                                     "0.200000,G,\"1,5\"\n")
                                       << "line 4: value 1 \"\"1\" is not a number";
        QTest::newRow("lone plus")
            << QByteArray("0.000000,R,1,+,3\n") << "line 2: value 2 \"+\" is not a number";
        QTest::newRow("plus minus")
            << QByteArray("0.000000,R,1,+-3\n") << "line 2: value 2 \"+-3\" is not a number";
        QTest::newRow("C short of values")
            << QByteArray("0.000000,C,1,2,3,4,5,6,7\n") << "line 2: a C frame has 8 values, not 7";
        QTest::newRow("text value")
            << QByteArray("0.000000,R,1,2,abc\n") << "line 2: value 3 \"abc\" is not a number";
        QTest::newRow("space") << QByteArray("0.000000,R, 1\n")
                               << "line 2: value 1 \" 1\" is not a number";
        QTest::newRow("range") << QByteArray("0.000000,F,1e39\n")
                               << "line 2: value 1 \"1e39\" is out of the range of a 32-bit float";
        QTest::newRow("nan bits") << QByteArray("0.000000,F,nan(0x3f800000)\n")
                                  << "line 2: value 1 \"nan(0x3f800000)\" is not a number";
        QTest::newRow("nan bits without the bracket")
            << QByteArray("0.000000,F,nan(0x7fc00001\n")
            << "line 2: value 1 \"nan(0x7fc00001\" is not a number";
        QTest::newRow("nan bits too long")
            << QByteArray("0.000000,F,nan(0x7fc0000001)\n")
            << "line 2: value 1 \"nan(0x7fc0000001)\" is not a number";
        QTest::newRow("nan bits not hex") << QByteArray("0.000000,F,nan(0x7fc0000g)\n")
                                          << "line 2: value 1 \"nan(0x7fc0000g)\" is not a number";
        QTest::newRow("nan of another tool") << QByteArray("0.000000,G,1,nan(ind)\n")
                                             << "line 2: value 2 \"nan(ind)\" is not a number";
        QTest::newRow("beyond thirty years")
            << QByteArray("1e10,F\n") << "line 2: time \"1e10\" is not a number of seconds";
        QTest::newRow("two letters")
            << QByteArray("0.000000,FG,1\n") << "line 2: frame letter \"FG\" is not F, G, R or C";
        QTest::newRow("empty letter")
            << QByteArray("0.000000,,1\n") << "line 2: frame letter \"\" is not F, G, R or C";
        QTest::newRow("C count") << QByteArray("0.000000,C,1,2,3,4,5\n")
                                 << "line 2: a C frame has 8 values, not 5";
        QTest::newRow("backwards") << QByteArray("0.500000,F\n0.400000,F\n")
                                   << "line 3: time 0.400000 is before the previous row's";
        QTest::newRow("backwards, short form")
            << QByteArray("0.5,F\n0.4999994,F\n")
            << "line 3: time 0.499999 is before the previous row's";
        QByteArray many("0.000000,F");
        for (int i = 0; i < 256; ++i)
            many += ",0";
        QTest::newRow("256 values") << many + '\n'
                                    << "line 2: 256 values, more than a frame holds (255)";
    }

    void readerRefuses()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        const auto result = RecordingReader::parse(headerRow() + '\n' + body);
        QCOMPARE(result.error, error);
        QVERIFY(result.recording.frames.isEmpty());
    }

    void readerNeedsTheHeader()
    {
        QCOMPARE(RecordingReader::parse("# x\n0.000000,F,1\n").error,
                 "line 2: expected the header row \"" + headerRow() + "\"");
        QCOMPARE(RecordingReader::parse("# only a comment\n").error, "line 2: no header row");
        QCOMPARE(RecordingReader::parse("").error, "line 1: no header row");
        QCOMPARE(RecordingReader::refusalMessage("/tmp/a.csv", "line 4: no frame letter"),
                 "Replay refused: /tmp/a.csv: line 4: no frame letter");
    }

    // A killed writer: the cut line (and only that one) is dropped, whatever it holds.
    void readerDropsACutLastLine_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("cut value") << QByteArray("0.066000,F,1.2");
        QTest::newRow("cut time") << QByteArray("0.06");
        QTest::newRow("cut inside nan") << QByteArray("0.066000,F,nan(0x7f");
        QTest::newRow("nothing") << QByteArray();
    }

    void readerDropsACutLastLine()
    {
        QFETCH(QByteArray, tail);
        const QByteArray text = "# Skyvane recording started 2026-12-07T15:05:30, port /dev/pts/3, "
                                "9600 baud, polling 2 ms\r\n" +
                                headerRow() +
                                "\r\n0.000000,G,1,2\n0.033000,C,1,2,3,4,5,6,7,-8.5\n" + tail;
        const auto result = RecordingReader::parse(text);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.recording.description,
                 "Skyvane recording started 2026-12-07T15:05:30, port /dev/pts/3, 9600 baud, "
                 "polling 2 ms");
        QCOMPARE(result.recording.frames.size(), 2);
        QCOMPARE(result.recording.frames[1].microseconds, 33000);
        QCOMPARE(result.recording.frames[1].measurement.kind, 'C');
        QCOMPARE(result.recording.frames[1].measurement.values.last(), -8.5f);
        QCOMPARE(result.recording.durationUs(), 33000);
    }

    void readerReportsAMissingFile()
    {
        const QString missing = QStringLiteral("/nonexistent/r.csv");
        const auto result = RecordingReader::read(missing);
        // The system's own words: "No such file or directory" on Linux, "Path not found." on
        // Windows.
        QFile file(missing);
        QVERIFY(!file.open(QIODevice::ReadOnly));
        QCOMPARE(result.error, "cannot read: " + file.errorString());
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestRecordingFormat)
#include "tst_RecordingFormat.moc"
