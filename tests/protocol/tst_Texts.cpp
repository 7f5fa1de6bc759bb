#include "protocol/CalibrationPrompt.h"
#include "protocol/MeasurementNames.h"
#include "protocol/NumberText.h"

#include <QTest>

#include <limits>

class TestTexts : public QObject
{
    Q_OBJECT
private slots:
    void roundedText_data();
    void roundedText();
    void everyPromptCode_data();
    void everyPromptCode();
    void codesWithoutPrompt_data();
    void codesWithoutPrompt();
    void valueNames();
};

void TestTexts::roundedText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("text");

    QTest::newRow("0.125 tie to even") << 0.125 << 2 << "."
                                       << "0.12";
    QTest::newRow("0.375 tie to even") << 0.375 << 2 << "."
                                       << "0.38";
    QTest::newRow("0.0625 tie to even") << 0.0625 << 3 << "."
                                        << "0.062";
    QTest::newRow("0.0004 to zero") << 0.0004 << 3 << "."
                                    << "0";
    QTest::newRow("-0.0004 never -0") << -0.0004 << 3 << "."
                                      << "0";
    QTest::newRow("negative zero") << -0.0 << 2 << "."
                                   << "0";
    QTest::newRow("zero") << 0.0 << 2 << "."
                          << "0";
    QTest::newRow("-0.125") << -0.125 << 2 << "."
                            << "-0.12";
    QTest::newRow("-0.03") << -0.03 << 2 << "."
                           << "-0.03";
    QTest::newRow("12.5 no trailing zero") << 12.5 << 2 << "."
                                           << "12.5";
    QTest::newRow("whole") << 40.0 << 3 << "."
                           << "40";
    // The float nearest 0.015 lies below it: no tie, rounded down.
    QTest::newRow("float 0.015") << double(0.015f) << 2 << "."
                                 << "0.01";
    QTest::newRow("float 0.035 rounds up") << double(0.035f) << 2 << "."
                                           << "0.04";
    QTest::newRow("2.5 to 0 decimals") << 2.5 << 0 << "."
                                       << "2";
    QTest::newRow("3.5 to 0 decimals") << 3.5 << 0 << "."
                                       << "4";
    QTest::newRow("carry into integer") << 9.996 << 2 << "."
                                        << "10";
    QTest::newRow("1e9 plain") << 1e9 << 2 << "."
                               << "1000000000";
    QTest::newRow("-1e9 plain") << -1e9 << 3 << "."
                                << "-1000000000";
    QTest::newRow("large float") << double(123456.789f) << 2 << "."
                                 << "123456.79";
    QTest::newRow("comma") << 12.5 << 2 << ","
                           << "12,5";
    QTest::newRow("comma negative") << -0.03 << 2 << ","
                                    << "-0,03";
    QTest::newRow("comma tie") << 0.125 << 2 << ","
                               << "0,12";
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 2 << "."
                         << "NaN";
    QTest::newRow("-infinity") << -std::numeric_limits<double>::infinity() << 2 << "."
                               << "-Infinity";
    QTest::newRow("+infinity") << std::numeric_limits<double>::infinity() << 2 << ","
                               << "Infinity";
}

void TestTexts::roundedText()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, separator);
    QFETCH(QString, text);
    QCOMPARE(RoundedText(value, decimals, separator.at(0)), text);
}

void TestTexts::everyPromptCode_data()
{
    QTest::addColumn<float>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0.0f << "";
    QTest::newRow("1") << 1.0f << "On the left (Phi=-90°)";
    QTest::newRow("2") << 2.0f << "Measuring...";
    QTest::newRow("3") << 3.0f << "On the right (Phi=+90°)";
    QTest::newRow("4") << 4.0f << "On the front (Theta=-90°)";
    QTest::newRow("5") << 5.0f << "On the back (Theta=+90°)";
    QTest::newRow("6") << 6.0f << "Upside down";
    QTest::newRow("7") << 7.0f << "Horizontal";
    QTest::newRow("8") << 8.0f << "Done";
    QTest::newRow("9") << 9.0f << "Phi Rotation (Right)...Ready?";
    QTest::newRow("10") << 10.0f << "Turn and wait";
    QTest::newRow("11") << 11.0f << "Theta Rotation (Up)...Ready?";
    QTest::newRow("12") << 12.0f << "Psi Rotation (right)...Ready?";
    QTest::newRow("13") << 13.0f << "Point every possible direction";
    QTest::newRow("-0") << -0.0f << "";
}

void TestTexts::everyPromptCode()
{
    QFETCH(float, code);
    QFETCH(QString, text);
    const auto prompt = CalibrationPrompt(code);
    QVERIFY(prompt.has_value());
    QCOMPARE(*prompt, text);
    // The degree sign is the one character U+00B0, not two UTF-8 bytes.
    if (text.contains(QStringLiteral("90")))
        QCOMPARE(prompt->at(prompt->size() - 2), QChar(0x00B0));
}

void TestTexts::codesWithoutPrompt_data()
{
    QTest::addColumn<float>("code");
    QTest::newRow("2.5") << 2.5f;
    QTest::newRow("0.5") << 0.5f;
    QTest::newRow("12.999") << 12.999f;
    QTest::newRow("-1") << -1.0f;
    QTest::newRow("14") << 14.0f;
    QTest::newRow("1e9") << 1e9f;
    QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN();
    QTest::newRow("+infinity") << std::numeric_limits<float>::infinity();
}

void TestTexts::codesWithoutPrompt()
{
    QFETCH(float, code);
    QVERIFY(!CalibrationPrompt(code).has_value());
}

// The column names of each kind's floats; floats beyond a kind's names, and every float of a
// kind without names, are counted "fN".
void TestTexts::valueNames()
{
    QCOMPARE(namedValues('F'), 18);
    QCOMPARE(namedValues('G'), 7);
    QCOMPARE(namedValues('R'), 6);
    QCOMPARE(namedValues('C'), 8);
    QCOMPARE(namedValues('['), 0);
    QByteArrayList f;
    for (int k = 1; k <= 19; ++k)
        f << valueName('F', k);
    QCOMPARE(f.join(','), QByteArray("phi,theta,psi,f4,f5,f6,f7,f8,f9,f10,f11,f12,f13,hx,hy,hz,"
                                     "code,f18,f19"));
    QByteArrayList g;
    for (int k = 1; k <= 8; ++k)
        g << valueName('G', k);
    QCOMPARE(g.join(','), QByteArray("phi,theta,psi,value1,value2,value3,value4,f8"));
    QByteArrayList r;
    for (int k = 1; k <= 7; ++k)
        r << valueName('R', k);
    QCOMPARE(r.join(','), QByteArray("phi,theta,psi,hx,hy,hz,f7"));
    QByteArrayList c;
    for (int k = 1; k <= 9; ++k)
        c << valueName('C', k);
    QCOMPARE(c.join(','), QByteArray("f1,f2,f3,f4,f5,f6,f7,value,f9"));
    QCOMPARE(valueName('F', 0), QByteArray("f0"));
    QCOMPARE(valueName('X', 2), QByteArray("f2"));
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestTexts)
#include "tst_Texts.moc"
