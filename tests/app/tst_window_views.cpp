#include "app/Form1.h"
#include "app/WindowViews.h"
#include "core/WindowTimer.h"
#include "display/PictureBox.h"
#include "protocol/MeasurementStream.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace {

const QColor Green(0, 255, 0);

Measurement calibrationFrame(const QString& text)
{
    Measurement m;
    m.kind = 'C';
    m.calibrationText = text;
    return m;
}

} // namespace

class TestWindowViews : public QObject
{
    Q_OBJECT
private slots:
    // A C frame changes the calibration box only: no dial, no sensor text.
    void calibrationFrameLeavesTheDialAndTheSensorBox()
    {
        Form1 form;
        MeasurementStream stream;
        WindowViews views(form, stream);
        int drawings = 0;
        views.setDrawnListener([&] { ++drawings; });
        form.Text3->setPlainText(QStringLiteral("Hx : 1\nHy : 2\nHz : 3"));

        stream.publish(calibrationFrame(QStringLiteral("Turn the board\r\nslowly")));
        QCOMPARE(form.Text5->toPlainText(), QString("Turn the board\nslowly"));
        QCOMPARE(form.Text3->toPlainText(), QString("Hx : 1\nHy : 2\nHz : 3"));
        QCOMPARE(views.magDial().drawings(), 0);
        QCOMPARE(views.sensorTextChanges(), 0);
        QCOMPARE(drawings, 1);
        // A C frame without a value leaves the box as it is.
        Measurement empty;
        empty.kind = 'C';
        stream.publish(empty);
        QCOMPARE(form.Text5->toPlainText(), QString("Turn the board\nslowly"));

        // An F frame with a step prompt and its magnetic text, drawn once the refresh is over.
        Measurement f;
        f.kind = 'F';
        f.drawsDial = true;
        f.dialU = 0.5;
        f.dialV = -0.5;
        f.sensorText = QStringLiteral("Hx : 4\nHy : 5\nHz : 6");
        f.calibrationText = QStringLiteral("Step 2");
        stream.publish(f);
        QTRY_COMPARE(form.Text3->toPlainText(), QString("Hx : 4\nHy : 5\nHz : 6"));
        QCOMPARE(form.Text5->toPlainText(), QString("Step 2"));
        QCOMPARE(views.magDial().drawings(), 1);
        QCOMPARE(views.sensorTextChanges(), 1);

        // The same frame again changes nothing; but a box typed into since gets its text back.
        f.dialU = 0.6;
        stream.publish(f);
        QTRY_COMPARE(views.magDial().drawings(), 2);
        QCOMPARE(views.sensorTextChanges(), 1);
        form.Text3->appendPlainText(QStringLiteral("typed"));
        form.Text5->setPlainText(QStringLiteral("typed"));
        f.dialU = 0.5;
        stream.publish(f);
        QTRY_COMPARE(form.Text3->toPlainText(), QString("Hx : 4\nHy : 5\nHz : 6"));
        QCOMPARE(form.Text5->toPlainText(), QString("Step 2"));
        QCOMPARE(views.sensorTextChanges(), 2);
    }

    // Replaying: "Replay" on green and no "No Data" watchdog; live again: "Data OK" and the
    // watchdog back.
    void replayingTurnsTheWatchdogOff()
    {
        Form1 form;
        MeasurementStream stream;
        WindowViews views(form, stream);
        form.Timer11->setEnabled(true);
        views.setReplaying(true);
        QVERIFY(!form.Timer11->Enabled());
        QCOMPARE(form.Text32->text(), QString("Replay"));
        QCOMPARE(form.Text32->palette().color(QPalette::Base), Green);
        // Frames seen while replaying leave the watchdog off.
        views.frameSeen();
        QVERIFY(!form.Timer11->Enabled());
        // Told again, nothing changes.
        form.Text32->setText(QStringLiteral("No Data"));
        views.setReplaying(true);
        QCOMPARE(form.Text32->text(), QString("No Data"));

        views.setReplaying(false);
        QVERIFY(form.Timer11->Enabled());
        QCOMPARE(form.Text32->text(), QString("No Data"));
        views.frameSeen();
        QCOMPARE(form.Text32->text(), QString("Data OK"));
        QCOMPARE(form.Text32->palette().color(QPalette::Window), Green);
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
