#include "output/RawMirror.h"
#include "support/SocketRead.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <memory>

namespace {
QByteArray allByteValues()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    return all;
}

} // namespace

// The mirror every platform has: a local TCP server that sends the board's bytes to each client.
class TestTcpMirror : public QObject
{
    Q_OBJECT
private:
    QStringList m_log;
    RawMirror::Report report()
    {
        return [this](const QString& text) { m_log.append(text); };
    }

private slots:
    void init() { m_log.clear(); }

    void everyClientGetsEveryByte()
    {
        RawMirror mirror(report());
        QVERIFY(mirror.open("tcp:0"));
        QVERIFY(mirror.devicePath().startsWith("127.0.0.1:"));
        const quint16 port = mirror.devicePath().section(':', 1).toUShort();
        QVERIFY(port > 0);
        QCOMPARE(m_log, QStringList{"Mirroring the port at tcp:0 (127.0.0.1:" +
                                    QString::number(port) + ")."});
        // Bytes before anybody listens go nowhere and are counted as dropped.
        mirror.write("FFF");
        QCOMPARE(mirror.dropped(), 3);

        QTcpSocket first;
        QTcpSocket second;
        first.connectToHost(QHostAddress::LocalHost, port);
        second.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(first.waitForConnected(5000));
        QVERIFY(second.waitForConnected(5000));
        QTRY_COMPARE(m_log.filter(" connected.").size(), 2);

        const QByteArray all = allByteValues();
        mirror.write(all);
        mirror.write("tail");
        QCOMPARE(readFrom(first, all.size() + 4), all + "tail");
        QCOMPARE(readFrom(second, all.size() + 4), all + "tail");
        QCOMPARE(mirror.mirrored(), all.size() + 4);

        // What a client sends is read and dropped, never passed on.
        first.write("G!!!");
        QVERIFY(first.waitForBytesWritten(5000));
        QTRY_COMPARE(mirror.ignored(), 4);
        mirror.write("x");
        QCOMPARE(readFrom(second, 1), QByteArray("x"));
        QCOMPARE(readFrom(first, 1), QByteArray("x"));

        second.disconnectFromHost();
        QTRY_COMPARE(m_log.filter(" disconnected.").size(), 1);
        mirror.write("after");
        QCOMPARE(readFrom(first, 5), QByteArray("after"));

        mirror.close();
        QCOMPARE(
            m_log.last(),
            QString("Mirror tcp:0 closed: %1 bytes mirrored, 3 dropped.").arg(all.size() + 10));
        QVERIFY(first.state() == QAbstractSocket::UnconnectedState ||
                first.waitForDisconnected(5000));
    }

    void targetsThatCannotBeServedAreRefused()
    {
        RawMirror mirror(report());
        for (const QString& bad :
             QStringList{"tcp:", "tcp:port", "tcp:70000", "tcp:my host:5760"}) {
            QVERIFY2(!mirror.open(bad), qPrintable(bad));
            QCOMPARE(m_log.last(), "Mirror refused: " + bad +
                                       " is no TCP port to mirror to: write tcp:PORT, or "
                                       "tcp:ADDRESS:PORT with a numeric address");
        }
        QVERIFY(!mirror.isOpen());

        // A port another program holds.
        RawMirror first(report());
        QVERIFY(first.open("tcp:127.0.0.1:0"));
        const QString taken = "tcp:" + first.devicePath();
        QVERIFY(!mirror.open(taken));
        QVERIFY2(m_log.last().startsWith("Mirror refused: cannot listen on " + taken + ": "),
                 qPrintable(m_log.last()));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestTcpMirror)
#include "tst_TcpMirror.moc"
