#include "display/ShownValues.h"
#include "support/Measurements.h"

#include <QTest>

#include <limits>

// What the window shows of each kind of measurement, made from its values.
class TestShownValues : public QObject
{
    Q_OBJECT
private slots:
    void frameF()
    {
        const ShownValues shown(QLatin1Char('.'));
        const Measurement f =
            measurement('F', 18, {{14, 0.125f}, {15, 0.375f}, {16, -2.5f}, {17, 2.0f}});
        QCOMPARE(shown.SensorText(f), QString("Hx : 0.12\r\nHy : 0.38\r\nHz : -2.5"));
        QCOMPARE(shown.CalibrationText(f), QString("Measuring..."));
        QCOMPARE(ShownValues::DialPoint(f), QPointF(0.375, 0.125));
    }

    void promptCodes()
    {
        const ShownValues shown(QLatin1Char('.'));
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QCOMPARE(shown.CalibrationText(measurement('F', 18, {{17, 1.0f}})),
                 QString::fromUtf8("On the left (Phi=-90°)"));
        QCOMPARE(shown.CalibrationText(measurement('F', 18, {{17, 13.0f}})),
                 QString("Point every possible direction"));
        // A code that names no step leaves the prompt; a NaN code reads as 0 and empties it.
        QCOMPARE(shown.CalibrationText(measurement('F', 18, {{17, 2.5f}})), std::nullopt);
        QCOMPARE(shown.CalibrationText(measurement('F', 18, {{17, 14.0f}})), std::nullopt);
        QCOMPARE(shown.CalibrationText(measurement('F', 18, {{17, nan}})), QString());
        // A short frame's missing code reads as 0 too.
        QCOMPARE(shown.CalibrationText(measurement('F', 3, {})), QString());
    }

    void framesGRAndC()
    {
        const ShownValues shown(QLatin1Char('.'));
        const Measurement g =
            measurement('G', 7, {{4, 0.0625f}, {5, 0.0004f}, {6, -1}, {7, 1234.5f}});
        QCOMPARE(shown.SensorText(g),
                 QString("Value1 : 0.062\r\nValue2 : 0\r\nValue3 : -1\r\nValue4 : 1234.5\r\n"));
        QCOMPARE(ShownValues::DialPoint(g), QPointF(0, 0));
        QCOMPARE(shown.CalibrationText(g), std::nullopt);

        const Measurement r = measurement('R', 6, {{4, 12.5f}, {5, -0.03f}});
        QCOMPARE(shown.SensorText(r), QString("Hx : 12.5\r\nHy : -0.03\r\nHz : 0"));
        QCOMPARE(ShownValues::DialPoint(r), QPointF(double(-0.03f), 12.5));
        QCOMPARE(shown.CalibrationText(r), std::nullopt);

        // A C frame shows its eighth float in the calibration box and nothing else.
        const Measurement c = measurement('C', 8, {{1, 7}, {8, 12.345f}});
        QCOMPARE(shown.CalibrationText(c), QString("12.35"));
        QCOMPARE(shown.SensorText(c), std::nullopt);
        QCOMPARE(ShownValues::DialPoint(c), std::nullopt);
        QCOMPARE(shown.CalibrationText(measurement('C', 0, {})), QString("0"));
    }

    void userSeparator()
    {
        const ShownValues shown(QLatin1Char(','));
        QCOMPARE(shown.SensorText(measurement('R', 6, {{4, 0.125f}, {5, -25}, {6, -0.03f}})),
                 QString("Hx : 0,12\r\nHy : -25\r\nHz : -0,03"));
        QCOMPARE(
            shown.ValuesText(0.0625f, -1.5f, 0.0f, 1e9f),
            QString("Value1 : 0,062\r\nValue2 : -1,5\r\nValue3 : 0\r\nValue4 : 1000000000\r\n"));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestShownValues)
#include "tst_ShownValues.moc"
