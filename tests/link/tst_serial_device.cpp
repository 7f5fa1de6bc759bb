#include "link/PortLink.h"
#include "link/QtSerialControl.h"
#include "support/LinkOver.h"
#include "support/MemoryLogger.h"
#include "support/OpenFailure.h"
#include "support/Pty.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

class TestSerialDevice : public QObject
{
    Q_OBJECT
private slots:
    void deviceFollowsNumberOrPath()
    {
        QtSerialControl port;
        port.setCommPort(35);
        QCOMPARE(port.device(), QString("/dev/ttyUSB2"));
        port.setDevicePath("/dev/pts/7");
        QCOMPARE(port.device(), QString("/dev/pts/7"));
        // A number set afterwards takes the place of the path.
        port.setCommPort(66);
        QCOMPARE(port.device(), QString("/dev/ttyACM1"));
        port.setCommPort(97);
        QCOMPARE(port.device(), QString());
    }

    void openFailuresNameTheirCause()
    {
        QtSerialControl port;
        // The speed is told before the missing device.
        port.setDevicePath("/dev/no-such-serial-node");
        port.setSettings("fast,n,8,1");
        PortError e = openFailure(port);
        QCOMPARE(e.kind, PortError::BadSettings);
        QCOMPARE(e.description, QString("Invalid port speed \"fast\"."));

        port.setSettings("115200,n,8,1");
        e = openFailure(port);
        QCOMPARE(e.kind, PortError::InvalidPortNumber);
        QCOMPARE(e.description,
                 QString("Invalid port number: /dev/no-such-serial-node does not exist."));

        port.setCommPort(0);
        e = openFailure(port);
        QCOMPARE(e.kind, PortError::InvalidPortNumber);
        QCOMPARE(e.description, QString("Invalid port number: COM0 names no port."));

        // A folder exists but is no serial device.
        QTemporaryDir dir;
        port.setDevicePath(dir.path());
        e = openFailure(port);
        QVERIFY2(e.kind != PortError::BadSettings && e.description.contains(dir.path()),
                 qPrintable(e.description));
        QVERIFY(!port.PortOpen());
    }

    void bytesGoBothWaysOverAnOpenPort()
    {
        Pty pty;
        QVERIFY(!pty.slavePath().isEmpty());
        QtSerialControl port;
        QSignalSpy closed(&port, &SerialControl::closed);
        QSignalSpy received(&port, &SerialControl::received);

        QVERIFY(!port.Output("A"));
        QCOMPARE(port.Input(), QByteArray());

        port.setDevicePath(pty.slavePath());
        port.setSettings("115200,n,8,1");
        port.setPortOpen(true);
        QVERIFY(port.PortOpen());
        // Opening an open port changes nothing.
        port.setPortOpen(true);
        QVERIFY(port.PortOpen());

        QVERIFY(port.Output(QByteArray("R\x01\x02", 3)));
        QVERIFY(port.Output({}));
        QCOMPARE(pty.read(3), QByteArray("R\x01\x02", 3));

        pty.write(QByteArray("F\x12\x00", 3));
        QByteArray in;
        QTRY_VERIFY((in += port.Input()).size() >= 3);
        QCOMPARE(in, QByteArray("F\x12\x00", 3));
        QCOMPARE(received.size(), 1);
        QCOMPARE(received[0][0].toByteArray(), in);
        // Nothing new: no bytes and no signal.
        QCOMPARE(port.Input(), QByteArray());
        QCOMPARE(received.size(), 1);

        port.setPortOpen(false);
        QVERIFY(!port.PortOpen());
        port.setPortOpen(false);
        QCOMPARE(closed.size(), 1);
    }

    void writesBeyondWhatTheDeviceTakesArriveWholeAndInOrder()
    {
        Pty pty;
        QtSerialControl port;
        port.setDevicePath(pty.slavePath());
        port.setSettings("115200,n,8,1");
        port.setPortOpen(true);
        // More than a pseudo-terminal's buffer holds while nobody reads the other side: the
        // device takes a part at once, the rest waits in the port, and what follows queues
        // behind it.
        QByteArray big(1 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < big.size(); ++i)
            big[i] = char('a' + i % 26);
        QSignalSpy lost(&port, &SerialControl::linkLost);
        QVERIFY(port.Output(big));
        const bool queued = port.Output("END");
        // A full transmit buffer is no vanished device: the port stays open.
        QVERIFY2(port.PortOpen() && lost.isEmpty(), "the port closed on a full transmit buffer");
        QVERIFY(queued);
        const QByteArray got = pty.read(big.size() + 3);
        QCOMPARE(got.size(), big.size() + 3);
        QVERIFY(got.startsWith(big));
        QVERIFY(got.endsWith("END"));
    }

    // The device full before anything waits in the port: the command waits in the port and
    // follows what the device already holds.
    void aCommandMeetingAFullDeviceWaitsItsTurn()
    {
        Pty pty;
        QtSerialControl port;
        port.setDevicePath(pty.slavePath());
        port.setSettings("115200,n,8,1");
        port.setPortOpen(true);
        // Another opening of the same device fills its transmit buffer to the brim.
        const int filler = ::open(QFile::encodeName(pty.slavePath()).constData(),
                                  O_WRONLY | O_NOCTTY | O_NONBLOCK);
        QVERIFY(filler >= 0);
        QByteArray held;
        const QByteArray chunk(512, 'f');
        for (;;) {
            const ssize_t n = ::write(filler, chunk.constData(), size_t(chunk.size()));
            if (n <= 0)
                break;
            held += chunk.left(n);
        }
        const int fillError = errno;
        ::close(filler);
        QCOMPARE(fillError, EAGAIN);
        QVERIFY(held.size() > 0);

        QSignalSpy lost(&port, &SerialControl::linkLost);
        QVERIFY(port.Output("R\x01"));
        QVERIFY(port.PortOpen());
        QVERIFY(lost.isEmpty());
        QCOMPARE(port.lastWriteError(), QString());
        const QByteArray got = pty.read(held.size() + 2);
        QCOMPARE(got.size(), held.size() + 2);
        QVERIFY(got.startsWith(held));
        QVERIFY(got.endsWith("R\x01"));
    }

    void aVanishedPeerClosesThePortAndTellsTheLink()
    {
        Pty pty;
        MemoryLogger log;
        LinkOver<QtSerialControl> link(log);
        QSignalSpy lost(&link, &PortLink::lost);
        QSignalSpy closed(&link.port, &SerialControl::closed);
        QVERIFY(link.OpenPort(pty.slavePath(), "115200"));
        QCOMPARE(log.lines, QStringList{"Port " + pty.slavePath() + " opened."});

        pty.closeMaster();
        // Before the port has noticed, a write fails with the device's own reason.
        QVERIFY(!link.port.Output("G"));
        QCOMPARE(link.port.lastWriteError(), QString("Input/output error"));

        QVERIFY(lost.wait(5000));
        QVERIFY(!link.port.PortOpen());
        QCOMPARE(closed.size(), 1);
        QCOMPARE(lost.size(), 1);
        QCOMPARE(log.lines.size(), 2);
        QVERIFY2(QRegularExpression("^Link to " + QRegularExpression::escape(pty.slavePath()) +
                                    " \\(" + QRegularExpression::escape(pty.slavePath()) +
                                    "\\) lost: (the device is gone|reading from the device "
                                    "failed)\\. Port closed\\.$")
                     .match(log.lines[1])
                     .hasMatch(),
                 qPrintable(log.lines[1]));
        link.SendCommand("G");
        QCOMPARE(log.lines.last(), QString("Send failed because the COM port is closed."));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestSerialDevice)
#include "tst_serial_device.moc"
