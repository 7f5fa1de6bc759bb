#include "link/NetworkPort.h"
#include "link/PortLink.h"
#include "link/QtSerialControl.h"
#include "support/LinkOver.h"
#include "support/MemoryLogger.h"
#include "support/OpenFailure.h"
#include "support/SocketRead.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

namespace {
QString addressOf(const QTcpServer& server)
{
    return QStringLiteral("socket://127.0.0.1:%1").arg(server.serverPort());
}

// The server's end of the one connection the port makes.
std::unique_ptr<QTcpSocket> accepted(QTcpServer& server)
{
    if (!server.hasPendingConnections() && !server.waitForNewConnection(5000))
        return {};
    return std::unique_ptr<QTcpSocket>(server.nextPendingConnection());
}

} // namespace

class TestNetworkLink : public QObject
{
    Q_OBJECT
private slots:
    void namesOfTheNetworkLink()
    {
        QVERIFY(IsNetworkPortName("socket://10.0.0.7:4001"));
        QVERIFY(IsNetworkPortName("SOCKET://host:1"));
        QVERIFY(!IsNetworkPortName("COM3"));
        QVERIFY(!IsNetworkPortName("/dev/pts/3"));
        QVERIFY(!IsNetworkPortName("tcp://10.0.0.7:4001"));

        NetworkPort port = ParseNetworkPortName("socket://10.0.0.7:4001");
        QVERIFY(port.ok);
        QCOMPARE(port.host, QString("10.0.0.7"));
        QCOMPARE(port.port, quint16(4001));
        port = ParseNetworkPortName("socket://[::1]:65535");
        QVERIFY(port.ok);
        QCOMPARE(port.host, QString("::1"));
        QCOMPARE(port.port, quint16(65535));
        port = ParseNetworkPortName("socket://serial-server.local:23");
        QVERIFY(port.ok);
        QCOMPARE(port.host, QString("serial-server.local"));

        for (const char* bad : {"socket://10.0.0.7", "socket://10.0.0.7:0", "socket://:4001",
                                "socket://10.0.0.7:65536", "socket://10.0.0.7:40x1",
                                "socket://10.0.0.7:4001/path", "socket://user@10.0.0.7:4001"}) {
            port = ParseNetworkPortName(bad);
            QVERIFY2(!port.ok, bad);
            QVERIFY2(port.error.startsWith(QString("Invalid network port \"%1\"").arg(bad)),
                     qPrintable(port.error));
        }
    }

    // The board's bytes both ways, all 256 values, as over a serial line.
    void bytesPassBothWays()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QtSerialControl port;
        port.setDevicePath(addressOf(server));
        port.setSettings("115200,n,8,1");
        port.setPortOpen(true);
        QVERIFY(port.PortOpen());
        auto board = accepted(server);
        QVERIFY(board);

        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        QVERIFY(port.Output(all));
        QCOMPARE(readFrom(*board, all.size()), all);

        QSignalSpy ready(&port, &SerialControl::readyRead);
        QSignalSpy received(&port, &SerialControl::received);
        board->write(all);
        QVERIFY(board->waitForBytesWritten(5000));
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += port.Input()).size() == all.size(), 5000);
        QCOMPARE(got, all);
        QVERIFY(!ready.isEmpty());
        QVERIFY(!received.isEmpty());

        QSignalSpy closed(&port, &SerialControl::closed);
        QSignalSpy lost(&port, &SerialControl::linkLost);
        port.setPortOpen(false);
        QVERIFY(!port.PortOpen());
        QCOMPARE(closed.size(), 1);
        QVERIFY(board->state() == QAbstractSocket::UnconnectedState ||
                board->waitForDisconnected(5000));
        QVERIFY(lost.isEmpty());
        QVERIFY(!port.Output("F"));
        QCOMPARE(port.Input(), QByteArray());
    }

    void openFailuresNameTheirCause()
    {
        QtSerialControl port;
        port.setSettings("115200,n,8,1");
        port.setDevicePath("socket://127.0.0.1");
        PortError error = openFailure(port);
        QCOMPARE(error.kind, PortError::Other);
        QVERIFY2(error.description.startsWith("Invalid network port \"socket://127.0.0.1\""),
                 qPrintable(error.description));

        // A server that is not there (yet): tried again later, not a port that does not exist.
        QTcpServer gone;
        QVERIFY(gone.listen(QHostAddress::LocalHost));
        const QString address = addressOf(gone);
        gone.close();
        port.setDevicePath(address);
        error = openFailure(port);
        QCOMPARE(error.kind, PortError::Other);
        QVERIFY2(error.description.startsWith("Cannot connect to " + address + ": "),
                 qPrintable(error.description));
        QVERIFY(!port.PortOpen());

        // Speeds are checked as for a serial port, even though the server sets its own line.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        port.setDevicePath(addressOf(server));
        port.setSettings("fast,n,8,1");
        QCOMPARE(openFailure(port).kind, PortError::BadSettings);
        QVERIFY(!port.PortOpen());
    }

    // The server or the bridge goes away: the link is lost as when an adapter is pulled, and
    // the session's reconnection opens it again once the server is back.
    void aClosedConnectionIsALostLinkAndReopens()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString address = addressOf(server);
        MemoryLogger log;
        LinkOver<QtSerialControl> link(log);
        QSignalSpy lost(&link, &PortLink::lost);
        QSignalSpy closed(&link.port, &SerialControl::closed);
        QVERIFY(link.OpenPort(address, "38400"));
        QCOMPARE(log.lines, QStringList{"Port " + address + " opened."});
        QCOMPARE(link.port.DevicePath(), address);
        auto board = accepted(server);
        QVERIFY(board);
        link.SendCommand("F");
        QCOMPARE(readFrom(*board, 1), QByteArray("F"));

        board->close();
        QVERIFY(lost.wait(5000));
        QVERIFY(!link.port.PortOpen());
        QCOMPARE(closed.size(), 1);
        QCOMPARE(log.lines.size(), 2);
        QCOMPARE(log.lines[1], "Link to " + address + " (" + address +
                                   ") lost: the other side closed the connection. Port closed.");
        link.SendCommand("F");
        QCOMPARE(log.lines.last(), QString("Send failed because the COM port is closed."));

        QVERIFY(link.OpenPort(address, "38400"));
        auto again = accepted(server);
        QVERIFY(again);
        link.SendCommand("C");
        QCOMPARE(readFrom(*again, 1), QByteArray("C"));
        link.ClosePort();
        QCOMPARE(log.lines.last(), QString("COM Port closed."));
        QCOMPARE(lost.size(), 1);
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestNetworkLink)
#include "tst_network_link.moc"
