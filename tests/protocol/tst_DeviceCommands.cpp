#include "protocol/DeviceCommands.h"

#include "protocol/FrameReceiver.h"
#include "support/Bytes.h"
#include "support/LinkOver.h"
#include "support/MemoryLogger.h"

#include "support/RecordingHandler.h"

#include <QTest>
#include <QTimer>

#include <functional>

namespace {

using Command = std::function<void(DeviceCommands&)>;

} // namespace

Q_DECLARE_METATYPE(Command)

class TestDeviceCommands : public QObject
{
    Q_OBJECT
private slots:
    void eachButtonSendsItsByte_data();
    void eachButtonSendsItsByte();
    void closedPortLogsOnce_data();
    void closedPortLogsOnce();
    void requestFrame();
    void startStopTrameKeepsReceivingDuringThePause();
    void startStopTrameWithClosedPort();
};

void TestDeviceCommands::eachButtonSendsItsByte_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Alignment") << Command(&DeviceCommands::Alignment) << hex("52");
    QTest::newRow("Hardware Reset") << Command(&DeviceCommands::HardwareReset) << hex("47");
    QTest::newRow("Save to Flash") << Command(&DeviceCommands::SaveToFlash) << hex("33");
    QTest::newRow("Read From Flash") << Command(&DeviceCommands::ReadFromFlash) << hex("3E");
    QTest::newRow("Accelerometers")
        << Command(&DeviceCommands::CalibrateAccelerometers) << hex("34");
    QTest::newRow("Gyrometers") << Command(&DeviceCommands::CalibrateGyrometers) << hex("35");
    QTest::newRow("Magnetometers") << Command(&DeviceCommands::CalibrateMagnetometers) << hex("36");
    QTest::newRow("Start/Stop Trame") << Command(&DeviceCommands::StartStopTrame) << hex("43");
}

void TestDeviceCommands::eachButtonSendsItsByte()
{
    QFETCH(Command, command);
    QFETCH(QByteArray, bytes);
    MemoryLogger log;
    FakeLink link(log);
    link.port.setPortOpen(true);
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    DeviceCommands commands(link, receiver);
    command(commands);
    QCOMPARE(link.port.written, bytes);
    QVERIFY(log.lines.isEmpty());
}

void TestDeviceCommands::closedPortLogsOnce_data()
{
    eachButtonSendsItsByte_data();
}

void TestDeviceCommands::closedPortLogsOnce()
{
    QFETCH(Command, command);
    MemoryLogger log;
    FakeLink link(log);
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    DeviceCommands commands(link, receiver);
    command(commands);
    QVERIFY(link.port.written.isEmpty());
    QCOMPARE(log.lines, QStringList{"Send failed because the COM port is closed."});
}

void TestDeviceCommands::requestFrame()
{
    MemoryLogger log;
    FakeLink link(log);
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    DeviceCommands commands(link, receiver);

    // Closed port: nothing sent and, unlike the buttons, nothing logged.
    commands.RequestFrame(true);
    QVERIFY(link.port.written.isEmpty());
    QVERIFY(log.lines.isEmpty());

    link.port.setPortOpen(true);
    commands.RequestFrame(false);
    QVERIFY(link.port.written.isEmpty());
    commands.RequestFrame(true);
    commands.RequestFrame(true);
    QCOMPARE(link.port.written, hex("46 46"));
    QVERIFY(log.lines.isEmpty());
}

void TestDeviceCommands::startStopTrameKeepsReceivingDuringThePause()
{
    MemoryLogger log;
    FakeLink link(log);
    link.port.setPortOpen(true);
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    DeviceCommands commands(link, receiver);

    // A receive timer's tick while the port is open.
    QTimer ticks;
    connect(&ticks, &QTimer::timeout, [&] { receiver.ReceiveFrames(link.port.Input()); });
    ticks.start(5);

    // During the pause a whole G frame arrives, then half an F frame.
    QTimer::singleShot(100, [&] { link.port.feed(hex("47 01 00 00 80 3F 46 12 00 00")); });
    QByteArray heldBeforeTheEnd;
    QTimer::singleShot(350, [&] { heldBeforeTheEnd = receiver.RxBuffer().bytes(); });

    commands.StartStopTrame();
    ticks.stop();

    QCOMPARE(link.port.written, hex("43"));
    QCOMPARE(handler.calls, QStringList{"G:00 00 80 3f"});
    QCOMPARE(heldBeforeTheEnd, hex("46 12 00 00"));
    QVERIFY(receiver.RxBuffer().isEmpty());
    QVERIFY(log.lines.isEmpty());
}

void TestDeviceCommands::startStopTrameWithClosedPort()
{
    MemoryLogger log;
    FakeLink link(log);
    RecordingHandler handler;
    FrameReceiver receiver(handler);
    receiver.ReceiveFrames(hex("78 46 12 00"));
    QByteArray heldDuringThePause;
    QTimer::singleShot(100, [&] { heldDuringThePause = receiver.RxBuffer().bytes(); });
    DeviceCommands commands(link, receiver);
    commands.StartStopTrame();
    QCOMPARE(heldDuringThePause, hex("46 12 00"));
    QVERIFY(receiver.RxBuffer().isEmpty());
    QCOMPARE(log.lines, QStringList{"Send failed because the COM port is closed."});
}

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestDeviceCommands)
#include "tst_DeviceCommands.moc"
