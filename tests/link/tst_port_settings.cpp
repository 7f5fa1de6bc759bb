#include "link/LineSettings.h"
#include "link/PortNames.h"
#include "link/PortOpenFailure.h"
#include "link/RateText.h"
#include "support/LinkOver.h"
#include "support/MemoryLogger.h"

#include <QtTest>

namespace {
// A port whose writes fail while failing is set, as an adapter's do when it goes bad.
class FailingPort : public FakeSerialControl
{
public:
    bool Output(const QByteArray& bytes) override
    {
        if (!failing)
            return FakeSerialControl::Output(bytes);
        setWriteError(reason);
        return false;
    }
    bool failing = true;
    // Empty: a failure the device gave no reason for.
    QString reason = QStringLiteral("Input/output error");
};
} // namespace

class TestPortSettings : public QObject
{
    Q_OBJECT
private slots:
    void comNumbersMapToLinuxDevices()
    {
        QCOMPARE(DeviceForComNumber(1), QString("/dev/ttyS0"));
        QCOMPARE(DeviceForComNumber(32), QString("/dev/ttyS31"));
        QCOMPARE(DeviceForComNumber(33), QString("/dev/ttyUSB0"));
        QCOMPARE(DeviceForComNumber(64), QString("/dev/ttyUSB31"));
        QCOMPARE(DeviceForComNumber(65), QString("/dev/ttyACM0"));
        QCOMPARE(DeviceForComNumber(96), QString("/dev/ttyACM31"));
        QCOMPARE(DeviceForComNumber(0), QString());
        QCOMPARE(DeviceForComNumber(97), QString());
        QCOMPARE(DeviceForComNumber(-3), QString());
        QCOMPARE(ComNumberForDevice("/dev/ttyUSB2"), 35);
        QCOMPARE(ComNumberForDevice("/dev/ttyACM0"), 65);
        QCOMPARE(ComNumberForDevice("/dev/ttyUSB32"), 0);
        QCOMPARE(ComNumberForDevice("/dev/pts/3"), 0);
    }

    void portNumberIsReadFromTheFourthCharacter()
    {
        QCOMPARE(ComNumberOfName("COM12").number, 12);
        QCOMPARE(ComNumberOfName("XYZ3").number, 3);
        QVERIFY(!ComNumberOfName("COM").ok);
        QVERIFY(!ComNumberOfName("COM").error.isEmpty());
        QVERIFY(!ComNumberOfName("COMx1").ok);
        QVERIFY(!ComNumberOfName("COM99999").ok);
        // A port number fits 16 bits with its sign; spaces around it do not count.
        QCOMPARE(ComNumberOfName("COM 7 ").number, 7);
        QCOMPARE(ComNumberOfName("COM-32768").number, -32768);
        QCOMPARE(ComNumberOfName("COM32767").number, 32767);
        QCOMPARE(ComNumberOfName("COM-32769").error,
                 QString("Type mismatch: the port name \"COM-32769\" has no port number."));
        QCOMPARE(ComNumberOfName("COM32768").error,
                 QString("Type mismatch: the port name \"COM32768\" has no port number."));
    }

    void portListKeepsTheFirstThirtyTwoWithTooltips()
    {
        const QList<PortEntry> ports = PortList();
        QVERIFY(ports.size() >= 32);
        QCOMPARE(ports[0].name, QString("COM1"));
        QCOMPARE(ports[31].name, QString("COM32"));
        QVERIFY(ports[4].tooltip.startsWith("/dev/ttyS4"));
        for (int i = 32; i < ports.size(); ++i)
            QVERIFY(ComNumberOfName(ports[i].name).number > 32);
    }

    // Adapters come after COM32 in COM order, once each, with what the system says of them;
    // devices outside the table (a pseudo-terminal) are not listed.
    void portListNamesTheAdaptersPresent()
    {
        const QList<PortEntry> ports = PortListOf({{"/dev/ttyACM0", "Veltis AHRS"},
                                                   {"/dev/ttyUSB3", "FT232R USB UART"},
                                                   {"/dev/pts/4", "pseudo"},
                                                   {"/dev/ttyS2", "16550A"},
                                                   {"/dev/ttyUSB3", "FT232R USB UART"},
                                                   {"/dev/ttyUSB0", ""}});
        QCOMPARE(ports.size(), 35);
        QCOMPARE(ports[0].tooltip, QString("/dev/ttyS0"));
        QCOMPARE(ports[2].name, QString("COM3"));
        QCOMPARE(ports[2].tooltip, QString("/dev/ttyS2 - 16550A"));
        QCOMPARE(ports[32].name, QString("COM33"));
        QCOMPARE(ports[32].tooltip, QString("/dev/ttyUSB0"));
        QCOMPARE(ports[33].name, QString("COM36"));
        QCOMPARE(ports[33].tooltip, QString("/dev/ttyUSB3 - FT232R USB UART"));
        QCOMPARE(ports[34].name, QString("COM65"));
        QCOMPARE(ports[34].tooltip, QString("/dev/ttyACM0 - Veltis AHRS"));
        QCOMPARE(PortListOf({}).size(), 32);
        // A device number beyond the table names no COM port.
        QCOMPARE(PortListOf({{"/dev/ttyACM32", "x"}, {"/dev/ttyUSBx", "y"}}).size(), 32);
    }

    void lineSettings()
    {
        LineSettings s = ParseLineSettings("115200,n,8,1");
        QVERIFY(s.ok);
        QCOMPARE(s.baud, 115200);
        QCOMPARE(s.parity, QSerialPort::NoParity);
        QCOMPARE(s.dataBits, QSerialPort::Data8);
        QCOMPARE(s.stopBits, QSerialPort::OneStop);
        s = ParseLineSettings("9600,e,7,2");
        QVERIFY(s.ok);
        QCOMPARE(s.parity, QSerialPort::EvenParity);
        QCOMPARE(s.dataBits, QSerialPort::Data7);
        QCOMPARE(s.stopBits, QSerialPort::TwoStop);
        QVERIFY(!ParseLineSettings(",n,8,1").ok);
        QVERIFY(!ParseLineSettings("fast,n,8,1").ok);
        QVERIFY(!ParseLineSettings("9600,q,8,1").ok);
        QVERIFY(!ParseLineSettings("9600,n,9,1").ok);
        QCOMPARE(ParseLineSettings("9600,n,x,1").error, QString("Invalid data bits \"x\"."));
        QVERIFY(!ParseLineSettings("9600,n,8").ok);
        QVERIFY(!ParseLineSettings("-5,n,8,1").ok);

        s = ParseLineSettings(" 4800 , O , 5 , 1.5 ");
        QVERIFY(s.ok);
        QCOMPARE(s.baud, 4800);
        QCOMPARE(s.parity, QSerialPort::OddParity);
        QCOMPARE(s.dataBits, QSerialPort::Data5);
        QCOMPARE(s.stopBits, QSerialPort::OneAndHalfStop);
        QCOMPARE(ParseLineSettings("300,m,6,1").parity, QSerialPort::MarkParity);
        QCOMPARE(ParseLineSettings("300,s,6,1").parity, QSerialPort::SpaceParity);
        QCOMPARE(ParseLineSettings("300,s,6,1").dataBits, QSerialPort::Data6);
        QCOMPARE(ParseLineSettings("9600,n,4,1").error, QString("Invalid data bits \"4\"."));
        QCOMPARE(ParseLineSettings("9600,n,8,3").error, QString("Invalid stop bits \"3\"."));
        QCOMPARE(ParseLineSettings("9600,x,8,1").error, QString("Invalid parity \"x\"."));
        QCOMPARE(ParseLineSettings("2147483648,n,8,1").error,
                 QString("Invalid port speed \"2147483648\"."));
        QCOMPARE(ParseLineSettings("9600").error, QString("Invalid port settings \"9600\"."));
    }

    void reopeningClosesFirstAndFailuresAreKept()
    {
        MemoryLogger log;
        FakeLink link(log);
        QVERIFY(link.OpenPort("COM3", "115200"));
        QCOMPARE(link.port.Settings(), QString("115200,n,8,1"));
        QSignalSpy closed(&link.port, &SerialControl::closed);
        QVERIFY(link.OpenPort("COM7", "9600"));
        QCOMPARE(closed.size(), 1);
        QCOMPARE(link.port.openCount, 2);
        QCOMPARE(link.port.CommPort(), 7);
        QCOMPARE(link.port.Settings(), QString("9600,n,8,1"));
        QCOMPARE(log.lines, QStringList({"Port COM3 opened.", "Port COM7 opened."}));

        log.lines.clear();
        QVERIFY(!link.OpenPort("COMx", "9600"));
        QCOMPARE(link.lastError().kind, PortError::Other);
        QCOMPARE(log.lines,
                 QStringList{"Type mismatch: the port name \"COMx\" has no port number."});
        QCOMPARE(link.portName(), QString("COMx"));
        QVERIFY(!link.port.PortOpen());

        link.port.refuseOpen = true;
        QVERIFY(!link.OpenPort("COM40", "9600"));
        QCOMPARE(link.lastError().kind, PortError::InvalidPortNumber);
        QCOMPARE(log.lines.last(), QString("Invalid port number"));
        link.port.refuseOpen = false;
        QVERIFY(link.OpenPort("/dev/pts/9", "9600"));
        QCOMPARE(link.port.DevicePath(), QString("/dev/pts/9"));
        QCOMPARE(link.lastError().description, QString());

        link.ClosePort();
        QVERIFY(!link.port.PortOpen());
        QCOMPARE(log.lines.last(), QString("COM Port closed."));
        // Closing a closed port says so again and closes nothing.
        const qsizetype closes = closed.size();
        log.lines.clear();
        link.ClosePort();
        QCOMPARE(log.lines, QStringList{"COM Port closed."});
        QCOMPARE(closed.size(), closes);
        QVERIFY(!link.port.PortOpen());
    }

    void aLostLinkIsLoggedAndSignalled()
    {
        MemoryLogger log;
        FakeLink link(log);
        QSignalSpy lost(&link, &PortLink::lost);
        QVERIFY(link.OpenPort("COM34", "115200"));
        emit link.port.linkLost("/dev/ttyUSB1", "the device is gone");
        QCOMPARE(lost.size(), 1);
        QCOMPARE(log.lines.last(),
                 QString("Link to COM34 (/dev/ttyUSB1) lost: the device is gone. Port closed."));
    }

    void openFailuresAreToldApart()
    {
        // A serial node with no UART behind it fails to open with an I/O error: no port.
        PortError e =
            PortOpenFailure("/dev/ttyS4", QSerialPort::ResourceError, "Input/output error");
        QCOMPARE(e.kind, PortError::InvalidPortNumber);
        QVERIFY2(e.description.startsWith("Invalid port number: /dev/ttyS4"),
                 qPrintable(e.description));
        QVERIFY(e.description.contains("Input/output error"));
        QCOMPARE(PortOpenFailure("/dev/ttyUSB0", QSerialPort::DeviceNotFoundError,
                                 "No such file or directory")
                     .kind,
                 PortError::InvalidPortNumber);
        QCOMPARE(
            PortOpenFailure("/dev/ttyS0", QSerialPort::PermissionError, "Device or resource busy")
                .kind,
            PortError::Busy);
        QCOMPARE(
            PortOpenFailure("/dev/ttyS0", QSerialPort::PermissionError, "Permission denied").kind,
            PortError::Permission);
        // A lock file another program holds is a busy port, not a missing permission.
        e = PortOpenFailure("/dev/ttyUSB1", QSerialPort::PermissionError,
                            "Cannot take the LOCK file");
        QCOMPARE(e.kind, PortError::Busy);
        QCOMPARE(e.description, QString("Port /dev/ttyUSB1 is busy (used by another program): "
                                        "Cannot take the LOCK file"));
        e = PortOpenFailure("/dev/ttyUSB1", QSerialPort::PermissionError, "Permission denied");
        QCOMPARE(e.description,
                 QString("Cannot open /dev/ttyUSB1: Permission denied. Add your user to the "
                         "dialout group (sudo usermod -aG dialout $USER) and log in again."));
        QCOMPARE(
            PortOpenFailure("/dev/ttyUSB0", QSerialPort::OpenError, "already open").description,
            QString("Port /dev/ttyUSB0 is busy: already open"));
        QCOMPARE(PortOpenFailure("/dev/pts/3", QSerialPort::UnknownError, "odd").description,
                 QString("Cannot open /dev/pts/3: odd"));
        QCOMPARE(PortOpenFailure("/dev/ttyUSB0", QSerialPort::OpenError, "already open").kind,
                 PortError::Busy);
        QCOMPARE(
            PortOpenFailure("/dev/ttyUSB0", QSerialPort::ResourceError, "Input/output error").kind,
            PortError::Other);
    }

    void failedWritesAreLoggedOncePerFailure()
    {
        MemoryLogger log;
        LinkOver<FailingPort> link(log);
        QVERIFY(link.OpenPort("COM3", "115200"));
        log.lines.clear();
        link.SendCommand("F");
        link.SendCommand("F");
        QCOMPARE(log.lines, QStringList{"Write to COM3 failed: Input/output error."});

        link.port.failing = false;
        link.SendCommand("R");
        QCOMPARE(link.port.written, QByteArray("R"));
        link.port.failing = true;
        link.SendCommand("G");
        link.SendCommand({});
        QCOMPARE(log.lines.size(), 2);
        QCOMPARE(log.lines[1], QString("Write to COM3 failed: Input/output error."));

        // A failure without a reason still says that the write failed.
        link.port.failing = false;
        link.SendCommand("R");
        link.port.failing = true;
        link.port.reason.clear();
        link.SendCommand("G");
        QCOMPARE(log.lines.size(), 3);
        QCOMPARE(log.lines[2], QString("Write to COM3 failed: unknown error."));
    }

    void rateTexts()
    {
        QCOMPARE(RateMilliseconds("33ms"), 33);
        QCOMPARE(RateMilliseconds("1000ms"), 1000);
        QCOMPARE(RateMilliseconds("0ms"), 0);
        QCOMPARE(RateMilliseconds("65535"), 65535);
        QCOMPARE(RateMilliseconds("2.5ms"), 2);
        QCOMPARE(RateMilliseconds("3.5ms"), 4);
        QCOMPARE(RateMilliseconds(""), -1);
        QCOMPARE(RateMilliseconds("1000m"), -1);
        QCOMPARE(RateMilliseconds("abc"), -1);
        QCOMPARE(RateMilliseconds("-5ms"), -1);
        QCOMPARE(RateMilliseconds("65536ms"), -1);
        QCOMPARE(RateMilliseconds("nanms"), -1);
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestPortSettings)
#include "tst_port_settings.moc"
