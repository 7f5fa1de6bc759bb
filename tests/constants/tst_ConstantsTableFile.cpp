#include "constants/ConstantsTableFile.h"
#include "support/Files.h"
#include "support/Pandas.h"

#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

using namespace ConstantsTableFile;

namespace {

const QDateTime ReadAt(QDate(2026, 12, 7), QTime(15, 4, 5));

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Switches the C library's numbers to a decimal comma, building the German locale into dir
// when the system has none. False when neither works.
bool commaCLocale(const QTemporaryDir& dir)
{
    if (std::setlocale(LC_ALL, "de_DE.UTF-8"))
        return true;
    const QString target = dir.path() + QStringLiteral("/de_DE.UTF-8");
    if (QProcess::execute(QStringLiteral("localedef"),
                          {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                           QStringLiteral("UTF-8"), target}) != 0)
        return false;
    qputenv("LOCPATH", dir.path().toLocal8Bit());
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

} // namespace

class TestConstantsTableFile : public QObject
{
    Q_OBJECT
private slots:
    void exportedText();
    void roundTrip();
    void roundTripUnderCommaLocales();
    void pandasRoundTrip();
    void acceptedFiles_data();
    void acceptedFiles();
    void refusedFiles_data();
    void refusedFiles();
    void indicesBeyondTwoBytes();
    void differences();
    void tableOfPayload();
};

void TestConstantsTableFile::exportedText()
{
    const QByteArray text = exportTable({0.5f, -12.25f, 0.1f, 1e20f, 0.0f, -0.0f, 1234567.0f},
                                        ReadAt, QStringLiteral("COM3"));
    QCOMPARE(text, QByteArray("# Skyvane constants, 2026-12-07 15:04:05, port COM3\n"
                              "index,value\n"
                              "0,0.5\n"
                              "1,-12.25\n"
                              "2,0.100000001\n"
                              "3,1.00000002e+20\n"
                              "4,0\n"
                              "5,-0\n"
                              "6,1234567\n"));
    QCOMPARE(exportTable({}, ReadAt, QStringLiteral("/dev/pts/3")),
             QByteArray("# Skyvane constants, 2026-12-07 15:04:05, port /dev/pts/3\n"
                        "index,value\n"));
}

void TestConstantsTableFile::roundTrip()
{
    const float inf = std::numeric_limits<float>::infinity();
    QList<float> table = {0.1f,
                          1.0f / 3.0f,
                          -12.25f,
                          16777217.0f,
                          123456.789f,
                          std::numeric_limits<float>::max(),
                          std::numeric_limits<float>::min(),
                          std::numeric_limits<float>::denorm_min(),
                          -0.0f,
                          inf,
                          -inf,
                          std::nextafter(1.0f, 2.0f),
                          std::nextafter(0.3f, 0.0f)};
    // Every 97th float bit pattern of a broad band of magnitudes.
    for (quint32 bits = 0x30000000u; bits < 0x50000000u; bits += 0x00F00097u) {
        float f;
        std::memcpy(&f, &bits, sizeof f);
        table.append(f);
        table.append(-f);
    }
    const Parsed parsed = parse(exportTable(table, ReadAt, QStringLiteral("COM1")));
    QVERIFY2(parsed.ok, qPrintable(parsed.error));
    QCOMPARE(parsed.table.size(), table.size());
    for (qsizetype i = 0; i < table.size(); ++i)
        QVERIFY2(sameBits(parsed.table[i], table[i]), qPrintable(QString::number(i)));

    const Parsed nan =
        parse(exportTable({std::numeric_limits<float>::quiet_NaN()}, ReadAt, QString()));
    QVERIFY(nan.ok);
    QVERIFY(std::isnan(nan.table[0]));
}

void TestConstantsTableFile::roundTripUnderCommaLocales()
{
    QTemporaryDir dir;
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const bool cLocale = commaCLocale(dir);
    if (cLocale) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
        QCOMPARE(QByteArray(buffer), QByteArray("1,5"));
    } else {
        qWarning("No comma locale for the C library here; only Qt's default locale is German.");
    }
    QCOMPARE(QLocale().toString(1.5), QStringLiteral("1,5"));

    const QByteArray text = exportTable({1.5f, -0.25f, 1e-7f}, ReadAt, QStringLiteral("COM2"));
    const Parsed parsed = parse(text);
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(before);

    QCOMPARE(text, QByteArray("# Skyvane constants, 2026-12-07 15:04:05, port COM2\n"
                              "index,value\n"
                              "0,1.5\n"
                              "1,-0.25\n"
                              "2,1.00000001e-07\n"));
    QVERIFY(parsed.ok);
    QCOMPARE(parsed.table, QList<float>({1.5f, -0.25f, 1e-7f}));
}

// pandas reads the header row as its column names and writes it back; the values keep their
// 32 bits. NaN is left out: pandas writes it back as an empty field, which is no value to send.
void TestConstantsTableFile::pandasRoundTrip()
{
    const QString python = Pandas::python();
    if (python.isEmpty())
        QSKIP("Debian's python3-pandas is not installed; the pandas round trip is not run.");
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.csv"));
    const QString out = dir.filePath(QStringLiteral("out.csv"));
    const float inf = std::numeric_limits<float>::infinity();
    const QList<float> table = {
        0.5f, 0.1f, -12.25f, 1e20f, 16777217.0f, -0.0f, inf, 1e-38f, std::nextafter(1.0f, 2.0f)};
    QVERIFY(writeFile(in, exportTable(table, ReadAt, QStringLiteral("COM3"))));
    const QString failed = Pandas::run(python,
                                       "import sys, pandas\n"
                                       "df = pandas.read_csv(sys.argv[1], comment='#')\n"
                                       "assert list(df.columns) == ['index', 'value']\n"
                                       "assert len(df) == 9\n"
                                       "df.to_csv(sys.argv[2], index=False)\n",
                                       {in, out});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    const QByteArray written = readFile(out);
    QVERIFY2(written.startsWith("index,value\n0,0.5\n1,0.100000001\n"), written.constData());
    const Parsed parsed = parse(written);
    QVERIFY2(parsed.ok, qPrintable(parsed.error));
    QCOMPARE(parsed.table.size(), table.size());
    for (qsizetype i = 0; i < table.size(); ++i)
        QVERIFY2(sameBits(parsed.table[i], table[i]), qPrintable(QString::number(i)));
}

void TestConstantsTableFile::acceptedFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<float>>("table");
    QTest::newRow("no comment, no final newline")
        << QByteArray("0,1\n1,2.5") << QList<float>{1, 2.5f};
    QTest::newRow("CR LF, comments, blank lines")
        << QByteArray("# a\r\n0,1\r\n\r\n# b\r\n1,-3e2\r\n") << QList<float>{1, -300};
    QTest::newRow("spaces around the fields")
        << QByteArray(" 0 , 0.5 \n\t1,\t7\n") << QList<float>{0.5f, 7};
    QTest::newRow("exponent forms")
        << QByteArray("0,1E+3\n1,2e-1\n2,.5\n") << QList<float>{1000, 0.2f, 0.5f};
    QTest::newRow("leading zeros of an index") << QByteArray("00,1\n01,2\n") << QList<float>{1, 2};
    QTest::newRow("header row") << QByteArray("index,value\n0,1\n1,2\n") << QList<float>{1, 2};
    QTest::newRow("header row after the comment")
        << QByteArray("# Skyvane constants\nindex,value\n0,4\n") << QList<float>{4};
    // LibreOffice and Excel: a byte order mark, CR LF, the comment line cut at its two commas
    // and every row padded to its three cells.
    QTest::newRow("saved by a spreadsheet")
        << QByteArray("\xEF\xBB\xBF# Skyvane constants, 2026-12-07 15:04:05, port COM3\r\n"
                      "index,value,\r\n0,0.5,\r\n1,1E-07,\r\n2,-12.25,\r\n")
        << QList<float>{0.5f, 1e-7f, -12.25f};
    // pandas writes floats in its own shortest form, an index column of whole numbers.
    QTest::newRow("written by pandas")
        << QByteArray("index,value\n0,0.5\n1,1e-07\n2,12345678.0\n3,inf\n")
        << QList<float>{0.5f, 1e-7f, 12345678.0f, std::numeric_limits<float>::infinity()};
}

void TestConstantsTableFile::acceptedFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<float>, table);
    const Parsed parsed = parse(content);
    QVERIFY2(parsed.ok, qPrintable(parsed.error));
    QCOMPARE(parsed.table, table);
}

void TestConstantsTableFile::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");
    QTest::newRow("decimal comma")
        << QByteArray("# x\n0,1\n1,0,5\n")
        << "line 3: \"1,0,5\" is not an index and a value separated by a comma.";
    QTest::newRow("semicolon") << QByteArray("0;1\n")
                               << "line 1: \"0;1\" is not an index and a value separated by a "
                                  "comma.";
    QTest::newRow("text value") << QByteArray("0,1\n1,abc\n2,3\n")
                                << "line 2: \"abc\" is not a number.";
    QTest::newRow("empty value") << QByteArray("0,\n") << "line 1: \"\" is not a number.";
    QTest::newRow("plus sign") << QByteArray("0,+1\n") << "line 1: \"+1\" is not a number.";
    QTest::newRow("too large") << QByteArray("0,1e39\n")
                               << "line 1: \"1e39\" is outside the range of a 32-bit float.";
    QTest::newRow("too small") << QByteArray("0,1e-50\n")
                               << "line 1: \"1e-50\" is outside the range of a 32-bit float.";
    QTest::newRow("negative index") << QByteArray("-1,1\n") << "line 1: \"-1\" is not an index.";
    QTest::newRow("gap") << QByteArray("0,1\n2,1\n")
                         << "line 2: index 2 where 1 was expected (entries run 0, 1, 2, ... in "
                            "order).";
    QTest::newRow("starts at 1") << QByteArray("# K[1] first\n1,1\n")
                                 << "line 2: index 1 where 0 was expected (entries run 0, 1, 2, "
                                    "... in order).";
    QTest::newRow("only comments") << QByteArray("# x\n\n") << "the file holds no constants.";
    QTest::newRow("only the header")
        << QByteArray("index,value\n") << "the file holds no constants.";
    QTest::newRow("header after an entry")
        << QByteArray("0,1\nindex,value\n") << "line 2: \"index\" is not an index.";
    QTest::newRow("header twice") << QByteArray("index,value\nindex,value\n0,1\n")
                                  << "line 2: \"index\" is not an index.";
    QTest::newRow("padding with a value")
        << QByteArray("0,1,,2\n")
        << "line 1: \"0,1,,2\" is not an index and a value separated by a comma.";
    QTest::newRow("padded empty value") << QByteArray("0,,\n") << "line 1: \"\" is not a number.";
    QTest::newRow("six digits of index")
        << QByteArray("000000,1\n") << "line 1: \"000000\" is not an index.";
    QTest::newRow("no index") << QByteArray(",5\n") << "line 1: \"\" is not an index.";
    QTest::newRow("index with a letter")
        << QByteArray("0,1\n1a,2\n") << "line 2: \"1a\" is not an index.";
    QTest::newRow("text after the value")
        << QByteArray("0,1.5x\n") << "line 1: \"1.5x\" is not a number.";
    QTest::newRow("two numbers in the value")
        << QByteArray("0,1 2\n") << "line 1: \"1 2\" is not a number.";
    QTest::newRow("header of another table")
        << QByteArray("index,val\n0,1\n") << "line 1: \"index\" is not an index.";
    QTest::newRow("columns swapped")
        << QByteArray("value,index\n0,1\n") << "line 1: \"value\" is not an index.";
}

void TestConstantsTableFile::refusedFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    const Parsed parsed = parse(content);
    QVERIFY(!parsed.ok);
    QCOMPARE(parsed.error, error);
}

// The update command carries the index in two bytes: 65536 entries fit, one more does not.
void TestConstantsTableFile::indicesBeyondTwoBytes()
{
    QByteArray content = headerRow() + '\n';
    for (int i = 0; i <= 65535; ++i)
        content += QByteArray::number(i) + ",0.5\n";
    const Parsed full = parse(content);
    QVERIFY2(full.ok, qPrintable(full.error));
    QCOMPARE(full.table.size(), 65536);
    QCOMPARE(full.table.last(), 0.5f);

    content += "65536,0.5\n";
    const Parsed over = parse(content);
    QVERIFY(!over.ok);
    QCOMPARE(over.error,
             QStringLiteral("line 65538: index 65536 is beyond the last the board can take "
                            "(65535)."));
}

void TestConstantsTableFile::differences()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const QList<float> board = {1, 0.5f, -2, nan, 0.0f, 0.1f};
    const QList<float> file = {1, 0.75f, -2, nan, -0.0f, std::nextafter(0.1f, 1.0f)};
    const Compared compared = diff(board, file);
    QVERIFY(compared.ok);
    QCOMPARE(compared.differences.size(), 3);
    QCOMPARE(compared.differences[0].index, 1);
    QCOMPARE(compared.differences[0].board, 0.5f);
    QCOMPARE(compared.differences[0].file, 0.75f);
    QCOMPARE(compared.differences[1].index, 4);
    QCOMPARE(compared.differences[2].index, 5);
    QVERIFY(diff(board, board).differences.isEmpty());
    // A NaN on one side only is a difference, either way round.
    const Compared oneNan = diff({nan, 2}, {1, nan});
    QVERIFY(oneNan.ok);
    QCOMPARE(oneNan.differences.size(), 2);
    QCOMPARE(oneNan.differences[0].file, 1.0f);
    QVERIFY(std::isnan(oneNan.differences[1].file));
    QVERIFY(!sameValue(nan, 0.0f));
    QVERIFY(!sameValue(0.0f, nan));
    QVERIFY(sameValue(-nan, nan));

    const Compared shorter = diff(board, {1, 2});
    QVERIFY(!shorter.ok);
    QVERIFY(shorter.differences.isEmpty());
    QCOMPARE(shorter.error, QStringLiteral("the file holds 2 constants, the board 6."));
}

void TestConstantsTableFile::tableOfPayload()
{
    // 1, 0.5, -2 and two stray bytes.
    QCOMPARE(tableOf(QByteArray::fromHex("0000803f0000003f000000c00102")),
             QList<float>({1.0f, 0.5f, -2.0f}));
    QVERIFY(tableOf(QByteArray()).isEmpty());
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestConstantsTableFile)
#include "tst_ConstantsTableFile.moc"
