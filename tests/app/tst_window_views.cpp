#include "app/DataStatus.h"
#include "app/Form1.h"
#include "app/WindowViews.h"
#include "core/WindowTimer.h"
#include "display/PictureBox.h"
#include "protocol/MeasurementStream.h"
#include "support/Measurements.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);

} // namespace

class TestWindowViews : public QObject
{
    Q_OBJECT
private slots:
    // A C frame changes the calibration box only: no dial, no sensor text. An F frame fills
    // both boxes from its values; the texts are made with the user's decimal separator.
    void calibrationFrameLeavesTheDialAndTheSensorBox()
    {
        Form1 form;
        MeasurementStream stream;
        WindowViews views(form, stream, QLatin1Char(','));
        int drawings = 0;
        views.setDrawnListener([&] { ++drawings; });
        form.Text3->setPlainText(QStringLiteral("Hx : 1\nHy : 2\nHz : 3"));

        stream.publish(measurement('C', 8, {{8, 2.345f}}));
        QCOMPARE(form.Text5->toPlainText(), QString("2,35"));
        QCOMPARE(form.Text3->toPlainText(), QString("Hx : 1\nHy : 2\nHz : 3"));
        QCOMPARE(views.magDial().drawings(), 0);
        QCOMPARE(views.sensorTextChanges(), 0);
        QCOMPARE(drawings, 1);

        // An F frame with a step prompt and its magnetic text, drawn once the refresh is over.
        const Measurement f = measurement('F', 18, {{14, 4.0f}, {15, 5.5f}, {16, -6.0f}, {17, 2}});
        stream.publish(f);
        QTRY_COMPARE(form.Text3->toPlainText(), QString("Hx : 4\nHy : 5,5\nHz : -6"));
        QCOMPARE(form.Text5->toPlainText(), QString("Measuring..."));
        QCOMPARE(views.magDial().drawings(), 1);
        QCOMPARE(views.sensorTextChanges(), 1);
        // A C frame after it leaves the sensor text as the F frame made it.
        stream.publish(measurement('C', 8, {{8, 1.0f}}));
        QCOMPARE(form.Text5->toPlainText(), QString("1"));

        // The same frame again changes nothing; but a box typed into since gets its text back.
        const int before = drawings;
        stream.publish(f);
        QTRY_VERIFY(drawings > before);
        QCOMPARE(views.sensorTextChanges(), 1);
        QCOMPARE(views.magDial().drawings(), 1);
        form.Text3->appendPlainText(QStringLiteral("typed"));
        form.Text5->setPlainText(QStringLiteral("typed"));
        stream.publish(f);
        QTRY_COMPARE(form.Text3->toPlainText(), QString("Hx : 4\nHy : 5,5\nHz : -6"));
        QCOMPARE(form.Text5->toPlainText(), QString("Measuring..."));
        QCOMPARE(views.sensorTextChanges(), 2);

        // A step code that is no step leaves the prompt; a G frame shows its four values.
        stream.publish(measurement('F', 18, {{17, 2.5f}}));
        QCOMPARE(form.Text5->toPlainText(), QString("Measuring..."));
        stream.publish(measurement('G', 7, {{4, 0.0625f}, {5, 1}, {6, -1}, {7, 1e10f}}));
        QTRY_COMPARE(form.Text3->toPlainText(),
                     QString("Value1 : 0,062\nValue2 : 1\nValue3 : -1\nValue4 : 0\n"));
    }

    // Replaying: "Replay" on green and no "No Data" watchdog; live again: "Data OK" and the
    // watchdog back; a silent second: "No Data" on red.
    void replayingTurnsTheWatchdogOff()
    {
        Form1 form;
        DataStatus status(form.Text32, form.Timer11);
        form.Timer11->setEnabled(true);
        status.setReplaying(true);
        QVERIFY(!form.Timer11->Enabled());
        QCOMPARE(form.Text32->text(), QString("Replay"));
        QCOMPARE(form.Text32->palette().color(QPalette::Base), Green);
        // Frames seen while replaying leave the watchdog off.
        status.frameSeen();
        QVERIFY(!form.Timer11->Enabled());
        // Told again, nothing changes.
        form.Text32->setText(QStringLiteral("No Data"));
        status.setReplaying(true);
        QCOMPARE(form.Text32->text(), QString("No Data"));

        status.setReplaying(false);
        QVERIFY(form.Timer11->Enabled());
        QCOMPARE(form.Text32->text(), QString("No Data"));
        status.frameSeen();
        QCOMPARE(form.Text32->text(), QString("Data OK"));
        QCOMPARE(form.Text32->palette().color(QPalette::Window), Green);
        QSignalSpy ticks(form.Timer11, &WindowTimer::Timer);
        QVERIFY(ticks.wait(3000));
        QCOMPARE(form.Text32->text(), QString("No Data"));
        QCOMPARE(form.Text32->palette().color(QPalette::Base), Red);
    }

    // The download's progress: a blue bar from the left, as long as the share done.
    void progressBarGrowsAndClears()
    {
        Form1 form;
        BootProgressBar bar(form);
        PictureBox& box = *form.BootProgress;
        const QImage& image = box.image();
        const int w = image.width();
        const int y = image.height() / 2;
        bar.show(25, 100);
        QCOMPARE(box.image().pixelColor(w / 8, y), QColor(0, 0, 255));
        QCOMPARE(box.image().pixelColor(w / 2, y), QColor(Qt::white));
        bar.show(100, 100);
        QCOMPARE(box.image().pixelColor(w - 2, y), QColor(0, 0, 255));
        bar.clear();
        QCOMPARE(box.image().pixelColor(w / 8, y), QColor(Qt::white));
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestWindowViews)
#include "tst_window_views.moc"
