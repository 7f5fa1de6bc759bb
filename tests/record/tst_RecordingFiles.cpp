// Recordings that come back from users' tools: re-written by pandas, trimmed and saved by a
// spreadsheet.

#include "record/RecordingFormat.h"
#include "record/RecordingReader.h"
#include "support/Files.h"
#include "support/Pandas.h"

#include <QTemporaryDir>
#include <QTest>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

using namespace RecordingFormat;

namespace {

float fromBits(std::uint32_t bits)
{
    return std::bit_cast<float>(bits);
}

struct Row
{
    qint64 us;
    char kind;
    QList<float> values;
};

// Every kind, short and long frames, values of every form the writer has.
QList<Row> sampleRows()
{
    const float inf = std::numeric_limits<float>::infinity();
    QList<float> f;
    for (int k = 1; k <= 18; ++k)
        f.append(0.1f * float(k) - 0.75f);
    QList<float> fNan = f;
    fNan[0] = fromBits(0x7FC00000);
    fNan[17] = -inf;
    return {
        {0, 'F', f},
        {33012, 'G', {0.5f, -0.25f, 3.14159274f, 1e-7f, 123456.789f, -0.0f, 7.0f}},
        {66000, 'R', {1.0f, 2.0f, 3.0f, 0.125f, -0.375f, 1e9f}},
        {99999, 'C', {1, 2, 3, 4, 5, 6, 7, -8.5f}},
        {100000, 'F', fNan},
        {1000000, 'G', {1.5f}},
        {1000001, 'C', {1, 2, 3, 4, 5, 6, 7, fromBits(0x7FC00000)}},
        {2500000, 'F', f},
    };
}

QByteArray recordingText(const QList<Row>& rows)
{
    const Info info{QDateTime(QDate(2026, 12, 7), QTime(15, 5, 30)), "/dev/pts/3", 115200, 33};
    QByteArray text = headerLines(info);
    for (const Row& r : rows)
        text += row(r.us, r.kind, r.values);
    return text;
}

// The same frame, NaN taken as any NaN (pandas keeps no NaN's sign or bits).
void compareFrames(const RecordedFrame& got, const Row& want)
{
    QCOMPARE(got.microseconds, want.us);
    QCOMPARE(got.measurement.kind, want.kind);
    QCOMPARE(got.measurement.values.size(), want.values.size());
    for (qsizetype k = 0; k < want.values.size(); ++k) {
        const float a = got.measurement.values[k];
        const float b = want.values[k];
        if (std::isnan(b)) {
            QVERIFY2(std::isnan(a), qPrintable(QString::number(k)));
            continue;
        }
        QVERIFY2(std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b),
                 qPrintable(QStringLiteral("value %1: %2, not %3").arg(k).arg(a).arg(b)));
    }
}

} // namespace

class TestRecordingFiles : public QObject
{
    Q_OBJECT

private slots:
    void pandasRoundTrip()
    {
        const QString python = Pandas::python();
        if (python.isEmpty())
            QSKIP("Debian's python3-pandas is not installed; the pandas round trip is not run.");
        QTemporaryDir dir;
        const QString in = dir.filePath("in.csv");
        const QString out = dir.filePath("out.csv");
        const QList<Row> rows = sampleRows();
        QVERIFY(writeFile(in, recordingText(rows)));
        const QString failed = Pandas::run(python,
                                           "import sys, pandas\n"
                                           "df = pandas.read_csv(sys.argv[1], comment='#')\n"
                                           "df.to_csv(sys.argv[2], index=False)\n",
                                           {in, out});
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        const QByteArray written = readFile(out);
        // What pandas makes of it: no comments, times as short as they go, NaN as nothing, a
        // short row filled up with empty fields.
        QVERIFY2(written.startsWith(headerRow() + "\n0.0,F,"), written.constData());
        QVERIFY2(written.contains("\n0.033012,G,0.5,-0.25,"), written.constData());
        QVERIFY2(written.contains("\n1.0,G,1.5,,,,,,,,,,,,,,,,,\n"), written.constData());

        const auto result = RecordingReader::parse(written);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.recording.frames.size(), rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            compareFrames(result.recording.frames[i], rows[i]);
    }

    // Trimmed with pandas: a stretch from the middle, still in the recording's form.
    void pandasTrim()
    {
        const QString python = Pandas::python();
        if (python.isEmpty())
            QSKIP("Debian's python3-pandas is not installed; the pandas trim is not run.");
        QTemporaryDir dir;
        const QString in = dir.filePath("in.csv");
        const QString out = dir.filePath("out.csv");
        const QList<Row> rows = sampleRows();
        QVERIFY(writeFile(in, recordingText(rows)));
        const QString failed =
            Pandas::run(python,
                        "import sys, pandas\n"
                        "df = pandas.read_csv(sys.argv[1], comment='#')\n"
                        "df[(df.time > 0.05) & (df.time < 2)].to_csv(sys.argv[2], index=False)\n",
                        {in, out});
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        const auto result = RecordingReader::parse(readFile(out));
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.recording.frames.size(), 5);
        for (qsizetype i = 0; i < 5; ++i)
            compareFrames(result.recording.frames[i], rows[i + 2]);
    }

    // As LibreOffice and Excel save a recording that was opened and trimmed: a byte order
    // mark, CR LF, the comment line cut at its commas and every row padded to the widest,
    // times and values in their own short forms.
    void spreadsheetFile()
    {
        const QByteArray pad(9, ',');
        const QByteArray text =
            "\xEF\xBB\xBF# Skyvane recording started 2026-12-07T15:05:30, port COM3, 115200 "
            "baud, polling 33 ms" +
            QByteArray(16, ',') + "\r\n" + headerRow() + "\r\n" + "0.033,G,1,2,3,4,5,6,7" +
            QByteArray(11, ',') + "\r\n" + "0.066,R,0.5,-0.5,1E-06,1.5E+3,NaN,+2" +
            QByteArray(12, ',') + "\r\n" + "1,C,1,2,3,4,5,6,7,8" + pad + pad.left(1) + "\r\n" +
            "1.5,F,0.1,,0.3\r\n" + "2e0,F\r\n";
        const auto result = RecordingReader::parse(text);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.recording.description,
                 QStringLiteral("Skyvane recording started 2026-12-07T15:05:30, port COM3, "
                                "115200 baud, polling 33 ms"));
        const auto& frames = result.recording.frames;
        QCOMPARE(frames.size(), 5);
        QCOMPARE(frames[0].microseconds, 33000);
        QCOMPARE(frames[0].measurement.values, QList<float>({1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(frames[1].microseconds, 66000);
        QCOMPARE(frames[1].measurement.kind, 'R');
        QCOMPARE(frames[1].measurement.values.size(), 6);
        QCOMPARE(frames[1].measurement.values[2], 1e-6f);
        QCOMPARE(frames[1].measurement.values[3], 1500.0f);
        QVERIFY(std::isnan(frames[1].measurement.values[4]));
        QCOMPARE(frames[1].measurement.values[5], 2.0f);
        QCOMPARE(frames[2].microseconds, 1000000);
        QCOMPARE(frames[2].measurement.values.size(), 8);
        QCOMPARE(frames[3].measurement.values.size(), 3);
        QVERIFY(std::isnan(frames[3].measurement.values[1]));
        QCOMPARE(frames[4].microseconds, 2000000);
        QVERIFY(frames[4].measurement.values.isEmpty());
    }

    // The reader forgives forms, not faults: the checks still hold with their line numbers.
    void spreadsheetFileWithAFault()
    {
        const QByteArray text =
            "\xEF\xBB\xBF" + headerRow() + ",,\r\n0.5,G,1,,,\r\n" + "0.25,G,1,,,\r\n";
        QCOMPARE(RecordingReader::parse(text).error,
                 QStringLiteral("line 3: time 0.250000 is before the previous row's"));
        QCOMPARE(RecordingReader::parse(headerRow() + "\n0.5,G,1,x,,\n").error,
                 QStringLiteral("line 2: value 2 \"x\" is not a number"));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestRecordingFiles)
#include "tst_RecordingFiles.moc"
