#include "constants/ConstantUpdateCommand.h"
#include "constants/ConstantValueParser.h"
#include "constants/ConstantValueText.h"
#include "constants/ConstantsList.h"
#include "protocol/Floats.h"

#include "support/Bytes.h"

#include <QTest>

#include <limits>

class TestConstantTexts : public QObject
{
    Q_OBJECT
private slots:
    void valueText_data();
    void valueText();
    void listLines();
    void listLinesOfOddPayloads();
    void parserAccepts_data();
    void parserAccepts();
    void parserRefuses_data();
    void parserRefuses();
    void updateCommand_data();
    void updateCommand();
};

void TestConstantTexts::valueText_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.5") << 0.5f << "0,5";
    QTest::newRow("-12.25") << -12.25f << "-12,25";
    QTest::newRow("1234567") << 1234567.0f << "1234567";
    QTest::newRow("12345678") << 12345678.0f << "1,234568E+07";
    QTest::newRow("1") << 1.0f << "1";
    QTest::newRow("-2") << -2.0f << "-2";
    QTest::newRow("100") << 100.0f << "100";
    QTest::newRow("0") << 0.0f << "0";
    QTest::newRow("-0") << -0.0f << "0";
    QTest::newRow("0.1") << 0.1f << "0,1";
    QTest::newRow("1/3") << 1.0f / 3.0f << "0,3333333";
    QTest::newRow("123456.7") << 123456.7f << "123456,7";
    QTest::newRow("9999999") << 9999999.0f << "9999999";
    QTest::newRow("1e7") << 1e7f << "1E+07";
    QTest::newRow("-1e9") << -1e9f << "-1E+09";
    QTest::newRow("largest float") << 3.4028235e38f << "3,402823E+38";
    QTest::newRow("0.0001 plain") << 0.0001f << "0,0001";
    QTest::newRow("0.0001234568") << 0.00012345678f << "0,0001234568";
    QTest::newRow("0.00001 exponent") << 0.00001f << "1E-05";
    QTest::newRow("-0.00001") << -0.00001f << "-1E-05";
    QTest::newRow("0.000099999") << 0.000099999f << "9,9999E-05";
    QTest::newRow("smallest subnormal") << 1.4e-45f << "1,401298E-45";
    QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << "NaN";
    QTest::newRow("+infinity") << std::numeric_limits<float>::infinity() << "Infinity";
    QTest::newRow("-infinity") << -std::numeric_limits<float>::infinity() << "-Infinity";
}

void TestConstantTexts::valueText()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(ConstantValueText(value), text);
}

void TestConstantTexts::listLines()
{
    QCOMPARE(ConstantsListLines(hex("00 00 80 3F 00 00 00 3F 00 00 00 C0")),
             (QStringList{"K[0]\t1", "K[1]\t0,5", "K[2]\t-2"}));
    QCOMPARE(ConstantsListLines(QByteArray()), QStringList());
    QCOMPARE(ConstantsListLines(hex("00 00 C0 7F 00 00 80 7F 00 00 80 FF 00 00 00 3E")),
             (QStringList{"K[0]\tNaN", "K[1]\tInfinity", "K[2]\t-Infinity", "K[3]\t0,125"}));
}

void TestConstantTexts::listLinesOfOddPayloads()
{
    // A trailing group of fewer than 4 bytes is not listed.
    QCOMPARE(ConstantsListLines(hex("00 00 80 3F 00 00 00 3F 11 22")),
             (QStringList{"K[0]\t1", "K[1]\t0,5"}));
    QCOMPARE(ConstantsListLines(hex("00 00 80")), QStringList());

    // Indices past 65535 are written in full.
    QByteArray payload(4 * 65537, '\0');
    payload.replace(4 * 65536, 4, hex("00 00 60 40"));
    const QStringList lines = ConstantsListLines(payload);
    QCOMPARE(lines.size(), 65537);
    QCOMPARE(lines.at(300), QStringLiteral("K[300]\t0"));
    QCOMPARE(lines.at(65535), QStringLiteral("K[65535]\t0"));
    QCOMPARE(lines.at(65536), QStringLiteral("K[65536]\t3,5"));
}

void TestConstantTexts::parserAccepts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("3,5") << "3,5" << hex("00 00 60 40");
    QTest::newRow("3.5") << "3.5" << hex("00 00 60 40");
    QTest::newRow("-0,125") << "-0,125" << hex("00 00 00 BE");
    QTest::newRow("+2") << "+2" << hex("00 00 00 40");
    QTest::newRow("1E3") << "1E3" << hex("00 00 7A 44");
    QTest::newRow("2,5E+2") << "2,5E+2" << hex("00 00 7A 43");
    QTest::newRow("1e-3") << "1e-3" << hex("6F 12 83 3A");
    QTest::newRow(",5") << ",5" << hex("00 00 00 3F");
    QTest::newRow("5,") << "5," << hex("00 00 A0 40");
    QTest::newRow("spaces around") << " 7 " << hex("00 00 E0 40");
    QTest::newRow("0,1 nearest float") << "0,1" << hex("CD CC CC 3D");
    QTest::newRow("16777217 nearest float") << "16777217" << hex("00 00 80 4B");
    QTest::newRow("-0") << "-0" << hex("00 00 00 80");
    QTest::newRow("0E-99") << "0E-99" << hex("00 00 00 00");
    QTest::newRow("zero with a huge exponent") << "-0,000E+99999" << hex("00 00 00 80");
    QTest::newRow("largest float") << "3,4028235E+38" << hex("FF FF 7F 7F");
    QTest::newRow("subnormal") << "1,4E-45" << hex("01 00 00 00");
    // Too small for a float: the nearest float is sent, zero or a subnormal.
    QTest::newRow("1E-50 rounds to 0") << "1E-50" << hex("00 00 00 00");
    QTest::newRow("-1e-50 rounds to -0") << "-1e-50" << hex("00 00 00 80");
    QTest::newRow("7E-46 rounds to 0") << "7E-46" << hex("00 00 00 00");
    QTest::newRow("8E-46 rounds to the smallest") << "8E-46" << hex("01 00 00 00");
    QTest::newRow("1000E-49") << "1000E-49" << hex("00 00 00 00");
    QTest::newRow("0,00001E-42") << "0,00001E-42" << hex("00 00 00 00");
    QTest::newRow("1e-400 below any double") << "1e-400" << hex("00 00 00 00");
    QTest::newRow("-1e-400 below any double") << "-1e-400" << hex("00 00 00 80");
    QTest::newRow("exponent of 25 digits") << "5E-9999999999999999999999999" << hex("00 00 00 00");
}

void TestConstantTexts::parserAccepts()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const ParsedValue parsed = ParseConstantValue(text);
    QVERIFY2(parsed.ok, qPrintable(parsed.reason));
    QCOMPARE(SingleToBytes(parsed.value), bytes);
}

void TestConstantTexts::parserRefuses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason");
    const QString notANumber = QStringLiteral(" is not a number.");
    const QString outOfRange = QStringLiteral(" is outside the range of a 32-bit float.");
    QTest::newRow("empty") << ""
                           << "no value was typed.";
    QTest::newRow("spaces") << "  "
                            << "no value was typed.";
    QTest::newRow("1,234.5") << "1,234.5"
                             << "\"1,234.5\"" + notANumber;
    QTest::newRow("1,234,5") << "1,234,5"
                             << "\"1,234,5\"" + notANumber;
    QTest::newRow("1.2.3") << "1.2.3"
                           << "\"1.2.3\"" + notANumber;
    QTest::newRow("12abc") << "12abc"
                           << "\"12abc\"" + notANumber;
    QTest::newRow("abc") << "abc"
                         << "\"abc\"" + notANumber;
    QTest::newRow("--1") << "--1"
                         << "\"--1\"" + notANumber;
    QTest::newRow("+-1") << "+-1"
                         << "\"+-1\"" + notANumber;
    QTest::newRow("sign only") << "-"
                               << "\"-\"" + notANumber;
    QTest::newRow("separator only") << ","
                                    << "\",\"" + notANumber;
    QTest::newRow("exponent without digits") << "1e"
                                             << "\"1e\"" + notANumber;
    QTest::newRow("exponent without mantissa") << "E5"
                                               << "\"E5\"" + notANumber;
    QTest::newRow("1 000") << "1 000"
                           << "\"1 000\"" + notANumber;
    QTest::newRow("hex") << "0x10"
                         << "\"0x10\"" + notANumber;
    QTest::newRow("NaN") << "NaN"
                         << "\"NaN\"" + notANumber;
    QTest::newRow("inf") << "inf"
                         << "\"inf\"" + notANumber;
    QTest::newRow("Infinity") << "-Infinity"
                              << "\"-Infinity\"" + notANumber;
    QTest::newRow("Arabic-Indic digit") << QStringLiteral("\u0663") << "\"\u0663\"" + notANumber;
    QTest::newRow("1e39") << "1e39"
                          << "\"1e39\"" + outOfRange;
    QTest::newRow("-1E+39") << "-1E+39"
                            << "\"-1E+39\"" + outOfRange;
    QTest::newRow("above the largest float") << "3,4028236E+38"
                                             << "\"3,4028236E+38\"" + outOfRange;
    QTest::newRow("exponent of 25 digits") << "5E+9999999999999999999999999"
                                           << "\"5E+9999999999999999999999999\"" + outOfRange;
    QTest::newRow("0,001E+42") << "0,001E+42"
                               << "\"0,001E+42\"" + outOfRange;
    QTest::newRow("many digits") << QString(60, QLatin1Char('9'))
                                 << "\"" + QString(60, QLatin1Char('9')) + "\"" + outOfRange;
}

void TestConstantTexts::parserRefuses()
{
    QFETCH(QString, text);
    QFETCH(QString, reason);
    const ParsedValue parsed = ParseConstantValue(text);
    QVERIFY(!parsed.ok);
    QCOMPARE(parsed.reason, reason);
}

void TestConstantTexts::updateCommand_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<float>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("12, 3.5") << 12 << 3.5f << hex("21 00 0C 00 00 60 40");
    QTest::newRow("300, 1") << 300 << 1.0f << hex("21 01 2C 00 00 80 3F");
    QTest::newRow("65535, -2") << 65535 << -2.0f << hex("21 FF FF 00 00 00 C0");
    QTest::newRow("0, 0") << 0 << 0.0f << hex("21 00 00 00 00 00 00");
    QTest::newRow("255") << 255 << 0.5f << hex("21 00 FF 00 00 00 3F");
    QTest::newRow("256") << 256 << 0.5f << hex("21 01 00 00 00 00 3F");
    QTest::newRow("-1 has no command") << -1 << 1.0f << QByteArray();
    QTest::newRow("65536 has no command") << 65536 << 1.0f << QByteArray();
}

void TestConstantTexts::updateCommand()
{
    QFETCH(int, index);
    QFETCH(float, value);
    QFETCH(QByteArray, bytes);
    QCOMPARE(ConstantUpdateCommand(index, value), bytes);
    // The value as the bytes the board sent: four of them, or no command.
    if (!bytes.isEmpty()) {
        QCOMPARE(ConstantUpdateCommand(index, bytes.mid(3)), bytes);
        QCOMPARE(ConstantUpdateCommand(index, bytes.mid(4)), QByteArray());
        QCOMPARE(ConstantUpdateCommand(index, bytes.mid(2)), QByteArray());
    }
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestConstantTexts)
#include "tst_ConstantTexts.moc"
