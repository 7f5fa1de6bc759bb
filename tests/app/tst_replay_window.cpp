#include "app/ReplayWindow.h"
#include "record/Replayer.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

namespace {

// 40 frames, 50 ms apart: 1.95 s.
Recording someRecording()
{
    Recording recording;
    recording.path = "/tmp/flights/hover.csv";
    for (int i = 0; i < 40; ++i) {
        RecordedFrame frame;
        frame.microseconds = qint64(i) * 50000;
        frame.measurement.kind = 'R';
        frame.measurement.values = {0.1f, 0.2f, 0.3f, 1, 2, 3};
        recording.frames.append(frame);
    }
    return recording;
}

} // namespace

class TestReplayWindow : public QObject
{
    Q_OBJECT

private slots:
    void controls()
    {
        Replayer replayer;
        replayer.load(someRecording());
        ReplayWindow window(replayer);
        window.show();
        QCOMPARE(window.windowTitle(), "Replay");
        auto* play = window.findChild<QPushButton*>("playButton");
        auto* speed = window.findChild<QComboBox*>("speedCombo");
        auto* slider = window.findChild<QSlider*>("positionSlider");
        auto* time = window.findChild<QLabel*>("timeLabel");
        QVERIFY(play && speed && slider && time);
        QCOMPARE(window.findChild<QLabel*>("fileLabel")->text(), "hover.csv");
        QCOMPARE(speed->count(), 4);
        QCOMPARE(speed->itemText(0), "0.25x");
        QCOMPARE(speed->itemText(3), "16x");
        QCOMPARE(speed->currentText(), "1x");
        QCOMPARE(time->text(), "0:00.0 / 0:01.9");
        QCOMPARE(play->text(), "Play");

        int frames = 0;
        replayer.setOutput([&frames](char, const QByteArray&) { ++frames; });
        QTest::mouseClick(play, Qt::LeftButton);
        QVERIFY(replayer.isPlaying());
        QCOMPARE(play->text(), "Pause");
        QTRY_VERIFY(slider->value() > 0);
        QTest::mouseClick(play, Qt::LeftButton);
        QVERIFY(!replayer.isPlaying());
        QCOMPARE(play->text(), "Play");
        const int held = frames;
        QTest::qWait(200);
        QCOMPARE(frames, held);

        speed->setCurrentIndex(2);
        QCOMPARE(replayer.speed(), 4.0);
        slider->setValue(1500);
        QCOMPARE(replayer.position(), 1500000);
        QCOMPARE(time->text(), "0:01.5 / 0:01.9");

        QTest::mouseClick(play, Qt::LeftButton);
        QVERIFY(replayer.isPlaying());
        window.close();
        QVERIFY(!replayer.isPlaying());
    }

    // A speed the list does not offer becomes 1x; a recording without frames cannot play.
    void unlistedSpeedAndEmptyRecording()
    {
        Replayer replayer;
        replayer.setSpeed(2.0);
        ReplayWindow window(replayer);
        auto* speed = window.findChild<QComboBox*>("speedCombo");
        QCOMPARE(speed->currentText(), "1x");
        QCOMPARE(replayer.speed(), 1.0);
        auto* play = window.findChild<QPushButton*>("playButton");
        QVERIFY(!play->isEnabled());
        QCOMPARE(window.findChild<QLabel*>("timeLabel")->text(), "0:00.0 / 0:00.0");

        // A listed speed is kept.
        Replayer fast;
        fast.setSpeed(16.0);
        ReplayWindow other(fast);
        QCOMPARE(other.findChild<QComboBox*>("speedCombo")->currentText(), "16x");
        QCOMPARE(fast.speed(), 16.0);
        fast.load(someRecording());
        QVERIFY(other.findChild<QPushButton*>("playButton")->isEnabled());
    }

    void timeTexts()
    {
        QCOMPARE(ReplayWindow::timeText(0), "0:00.0");
        QCOMPARE(ReplayWindow::timeText(65399999), "1:05.3");
        QCOMPARE(ReplayWindow::timeText(3600000000), "60:00.0");
    }
};

#include "support/TestMain.h"

QTEST_MAIN(TestReplayWindow)
#include "tst_replay_window.moc"
