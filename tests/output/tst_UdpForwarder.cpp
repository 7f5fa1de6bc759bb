#include "output/HostPort.h"
#include "output/JsonDatagram.h"
#include "output/UdpForwarder.h"
#include "protocol/MeasurementStream.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <bit>
#include <cstdint>
#include <limits>

namespace {

Measurement frame(char kind, const QList<float>& values)
{
    Measurement m;
    m.kind = kind;
    m.values = values;
    return m;
}

QList<float> floatsF()
{
    QList<float> v;
    for (int k = 1; k <= 18; ++k)
        v.append(0.125f * float(k) - 1.0f);
    return v;
}

// The datagrams that reach the socket within the time.
QList<QByteArray> receive(QUdpSocket& socket, int count, int timeoutMs = 3000)
{
    QList<QByteArray> out;
    QElapsedTimer clock;
    clock.start();
    while (out.size() < count && clock.elapsed() < timeoutMs) {
        if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(100))
            continue;
        while (socket.hasPendingDatagrams())
            out.append(socket.receiveDatagram().data());
    }
    return out;
}

QJsonObject parsed(const QByteArray& datagram)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(datagram, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        qWarning("not a JSON object (%s): %s", qPrintable(error.errorString()), datagram.data());
    return doc.object();
}

} // namespace

class TestUdpForwarder : public QObject
{
    Q_OBJECT

private slots:
    void datagramTexts()
    {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        QCOMPARE(JsonDatagram::datagram(frame('R', {0.1f, -0.0f, 1e9f, nan, inf, 3.14159274f}),
                                        1796712345000042),
                 QByteArray("{\"timestamp\":1796712345.000042,\"kind\":\"R\",\"phi\":0.1,"
                            "\"theta\":-0,\"psi\":1e+09,\"hx\":null,\"hy\":null,"
                            "\"hz\":3.1415927}"));
        QCOMPARE(JsonDatagram::datagram(frame('G', {1, 2, 3, 4, 5, 6, 7, 8}), 1000000, "COM3"),
                 QByteArray("{\"timestamp\":1.000000,\"kind\":\"G\",\"port\":\"COM3\",\"phi\":1,"
                            "\"theta\":2,\"psi\":3,\"value1\":4,\"value2\":5,\"value3\":6,"
                            "\"value4\":7,\"f8\":8}"));
        QCOMPARE(JsonDatagram::datagram(frame('C', {1, 2, 3, 4, 5, 6, 7, -8.5f}), 0),
                 QByteArray("{\"timestamp\":0.000000,\"kind\":\"C\",\"f1\":1,\"f2\":2,\"f3\":3,"
                            "\"f4\":4,\"f5\":5,\"f6\":6,\"f7\":7,\"value\":-8.5}"));
        QCOMPARE(JsonDatagram::datagram(frame('F', {}), 5), QByteArray("{\"timestamp\":0.000005,"
                                                                       "\"kind\":\"F\"}"));
        QCOMPARE(JsonDatagram::stringText(QStringLiteral("a\"b\\c\nd")),
                 QByteArray("\"a\\\"b\\\\c\\u000ad\""));
    }

    // 255 floats of the longest text: what fits under 2048 bytes, whole floats only, still
    // one JSON object Qt reads.
    void aHugeFrameStaysUnder2048Bytes()
    {
        const QList<float> values(255, -1.17549435e-38f);
        const QByteArray text =
            JsonDatagram::datagram(frame('F', values), 1796712345123456, QString(3000, 'x'));
        QVERIFY2(text.size() < 2048, QByteArray::number(text.size()).constData());
        QVERIFY(text.size() > 2000);
        const QJsonObject o = parsed(text);
        QVERIFY(!o.isEmpty());
        QVERIFY(!o.contains("port"));
        QCOMPARE(o.value("f18").toDouble(), double(-1.17549435e-38f));
    }

    void hostPortTexts()
    {
        const HostPort a = HostPort::parse(QStringLiteral("127.0.0.1:9870"));
        QVERIFY(a.ok());
        QCOMPARE(a.host, QStringLiteral("127.0.0.1"));
        QCOMPARE(a.port, 9870);
        QCOMPARE(HostPort::parse(QStringLiteral(" [::1]:9 ")).text(), QStringLiteral("[::1]:9"));
        QCOMPARE(HostPort::parse(QStringLiteral("localhost:65535")).port, 65535);
        for (const char* bad :
             {"9870", ":9870", "host:", "host:0", "host:65536", "::1:9", "host:98x", "[::1:9"})
            QCOMPARE(HostPort::parse(QString::fromLatin1(bad)).error,
                     QStringLiteral("\"%1\" is not HOST:PORT (a port from 1 to 65535)")
                         .arg(QString::fromLatin1(bad)));
    }

    // A real UDP socket on loopback gets one datagram per frame that Qt's JSON reader parses:
    // the values under their names, null for what is not a number, the host time.
    void aListeningSocketReadsEveryFrame()
    {
        QUdpSocket receiver;
        QVERIFY(receiver.bind(QHostAddress::LocalHost, 0));
        MeasurementStream stream;
        QStringList log;
        UdpForwarder forwarder(stream, [&log](const QString& text) { log << text; });
        const QString address = QStringLiteral("127.0.0.1:%1").arg(receiver.localPort());
        QVERIFY(forwarder.start(address));
        QCOMPARE(log, QStringList{"Forwarding live data to " + address + " (UDP JSON)."});
        QCOMPARE(stream.listenerCount(), 1);

        QList<float> f = floatsF();
        f[16] = std::bit_cast<float>(std::uint32_t(0x7FC00000));
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        stream.publish(frame('F', f));
        stream.publish(frame('G', {0.5f, 0.25f, -3.0f, 1, 2, 3, 4}));
        stream.publish(frame('C', {1, 2, 3, 4, 5, 6, 7, 8}));
        const QList<QByteArray> got = receive(receiver, 3);
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        QCOMPARE(got.size(), 3);

        const QJsonObject first = parsed(got[0]);
        QCOMPARE(first.value("kind").toString(), QStringLiteral("F"));
        const double t = first.value("timestamp").toDouble();
        QVERIFY2(t * 1000 >= double(before) - 1 && t * 1000 <= double(after) + 1,
                 qPrintable(QString::number(t, 'f', 6)));
        const QStringList names = {"phi", "theta", "psi", "f4",  "f5", "f6", "f7", "f8",   "f9",
                                   "f10", "f11",   "f12", "f13", "hx", "hy", "hz", "code", "f18"};
        QCOMPARE(first.size(), 2 + 18);
        for (int k = 0; k < 18; ++k) {
            const QJsonValue v = first.value(names[k]);
            if (k == 16)
                QVERIFY2(v.isNull(), qPrintable(names[k]));
            else
                QCOMPARE(v.toDouble(), double(f[k]));
        }
        const QJsonObject g = parsed(got[1]);
        QCOMPARE(g.value("kind").toString(), QStringLiteral("G"));
        QCOMPARE(g.value("value4").toDouble(), 4.0);
        QCOMPARE(g.value("psi").toDouble(), -3.0);
        QCOMPARE(parsed(got[2]).value("value").toDouble(), 8.0);
        for (const QByteArray& d : got)
            QVERIFY(d.size() < 2048);

        forwarder.stop();
        QCOMPARE(log.last(), "Forwarding to " + address + " stopped: 3 datagrams sent.");
        QCOMPARE(stream.listenerCount(), 0);
        stream.publish(frame('F', f));
        QCOMPARE(receive(receiver, 1, 300).size(), 0);
    }

    // Nobody listening costs nothing and reports nothing; a send the system refuses (here to
    // port 0 of the loopback, which never leaves the host) is logged once, not per frame.
    void failuresAreLoggedOnce()
    {
        MeasurementStream stream;
        QStringList log;
        UdpForwarder forwarder(stream, [&log](const QString& text) { log << text; });
        QUdpSocket spare;
        QVERIFY(spare.bind(QHostAddress::LocalHost, 0));
        const quint16 unused = spare.localPort();
        spare.close();
        QVERIFY(forwarder.start(QStringLiteral("127.0.0.1:%1").arg(unused)));
        for (int i = 0; i < 20; ++i) {
            stream.publish(frame('F', floatsF()));
            QCoreApplication::processEvents();
        }
        QCOMPARE(forwarder.sent(), 20);
        QCOMPARE(log.size(), 1);

        forwarder.start(QHostAddress::LocalHost, 0);
        for (int i = 0; i < 50; ++i)
            stream.publish(frame('F', floatsF()));
        QCOMPARE(forwarder.failed(), 50);
        QCOMPARE(forwarder.sent(), 0);
        QStringList failures = log.filter(QStringLiteral("failed"));
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures[0].startsWith("Forwarding to 127.0.0.1:0 failed: "),
                 qPrintable(failures[0]));
        QVERIFY(failures[0].endsWith(" (further failures are not logged)."));
        forwarder.stop();
        QCOMPARE(log.last(),
                 QStringLiteral("Forwarding to 127.0.0.1:0 stopped: 0 datagrams sent."));

        QVERIFY(!forwarder.start(QStringLiteral("nowhere")));
        QCOMPARE(log.last(), QStringLiteral("Forwarding refused: \"nowhere\" is not HOST:PORT "
                                            "(a port from 1 to 65535)."));
        QVERIFY(!forwarder.isRunning());

        // A name no resolver knows (".invalid" is kept for that).
        QVERIFY(!forwarder.start(QStringLiteral("no-such-host.invalid:9870")));
        QVERIFY2(log.last().startsWith(
                     "Forwarding refused: cannot find the host no-such-host.invalid: "),
                 qPrintable(log.last()));
        QVERIFY(!forwarder.isRunning());
        stream.publish(frame('F', floatsF()));
        QCOMPARE(forwarder.failed(), 50);
    }

    // "port" on every datagram of a board among several; the clock the forwarder is given.
    void portNameAndClock()
    {
        QUdpSocket receiver;
        QVERIFY(receiver.bind(QHostAddress::LocalHost, 0));
        MeasurementStream stream;
        UdpForwarder forwarder(stream, [](const QString&) {});
        forwarder.setPortName(QStringLiteral("/dev/pts/7"));
        forwarder.setClock([] { return qint64(1796712345654321); });
        QVERIFY(forwarder.start(QStringLiteral("localhost:%1").arg(receiver.localPort())));
        stream.publish(frame('R', {1, 2, 3, 4, 5, 6}));
        const QList<QByteArray> got = receive(receiver, 1);
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0], QByteArray("{\"timestamp\":1796712345.654321,\"kind\":\"R\",\"port\":"
                                    "\"/dev/pts/7\",\"phi\":1,\"theta\":2,\"psi\":3,\"hx\":4,"
                                    "\"hy\":5,\"hz\":6}"));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestUdpForwarder)
#include "tst_UdpForwarder.moc"
