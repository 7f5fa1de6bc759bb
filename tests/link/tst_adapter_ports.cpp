#include "link/AdapterPorts.h"

#include <QTest>

namespace {

AdapterPort port(const QString& name, const QString& serial, quint16 vendor = 0x0403,
                 quint16 product = 0x6001)
{
    AdapterPort p;
    p.name = name;
    p.device = QStringLiteral("/dev/ttyUSB") + QString::number(name.mid(3).toInt() - 33);
    p.description = QStringLiteral("FT232R USB UART");
    p.identity.hasIds = true;
    p.identity.vendorId = vendor;
    p.identity.productId = product;
    p.identity.serialNumber = serial;
    return p;
}

AdapterPort builtIn(const QString& name)
{
    AdapterPort p;
    p.name = name;
    p.device = QStringLiteral("/dev/ttyS0");
    return p;
}

} // namespace

// The adapter remembered in the settings file and followed to another port name: port lists
// as the system could report them after a replug.
class TestAdapterPorts : public QObject
{
    Q_OBJECT
private slots:
    void identityKey()
    {
        const AdapterIdentity ftdi = port("COM33", "A10K1234").identity;
        QCOMPARE(ftdi.key(), QString("0403:6001:A10K1234"));
        const AdapterIdentity back = AdapterIdentity::fromKey(ftdi.key());
        QVERIFY(back.matches(ftdi));
        QCOMPARE(back.serialNumber, QString("A10K1234"));
        QCOMPARE(back.vendorId, quint16(0x0403));

        const AdapterIdentity bare = port("COM33", QString(), 0x1a86, 0x7523).identity;
        QCOMPARE(bare.key(), QString("1a86:7523:"));
        QVERIFY(AdapterIdentity::fromKey(bare.key()).matches(bare));
        // A serial number with a colon is kept whole.
        QCOMPARE(AdapterIdentity::fromKey("0403:6001:AB:CD").serialNumber, QString("AB:CD"));

        QCOMPARE(builtIn("COM1").identity.key(), QString());
        QVERIFY(AdapterIdentity::fromKey(QString()).isEmpty());
        QVERIFY(AdapterIdentity::fromKey("garbage").isEmpty());
        // A serial number the settings file could not hold is not remembered.
        QCOMPARE(port("COM33", "A\"1").identity.key(), QString());

        // Another adapter of the same kind is another adapter.
        QVERIFY(!ftdi.matches(port("COM34", "B20X9999").identity));
        QVERIFY(!bare.matches(port("COM34", "X1", 0x1a86, 0x7523).identity));
        QVERIFY(!bare.matches(port("COM34", QString(), 0x0403, 0x6001).identity));
    }

    void followed()
    {
        const AdapterIdentity remembered = AdapterIdentity::fromKey("0403:6001:A10K1234");

        // Replugged: COM33 is gone, the adapter is COM34 now.
        const FollowedPort moved =
            FollowAdapter("COM33", remembered, {builtIn("COM1"), port("COM34", "A10K1234")});
        QVERIFY(moved.moved);
        QCOMPARE(moved.name, QString("COM34"));
        QCOMPARE(moved.logLine,
                 QString("COM33 is now COM34: the same adapter (FT232R USB UART, A10K1234)."));

        // COM33 holds another adapter now, the remembered one is COM35.
        const FollowedPort swapped = FollowAdapter(
            "COM33", remembered, {port("COM33", "B20X9999"), port("COM35", "A10K1234")});
        QCOMPARE(swapped.name, QString("COM35"));

        // Still in place: nothing moves, even with a twin elsewhere.
        const FollowedPort stays = FollowAdapter(
            "COM33", remembered, {port("COM33", "A10K1234"), port("COM34", "B20X9999")});
        QVERIFY(!stays.moved);
        QCOMPARE(stays.name, QString("COM33"));
        QVERIFY(stays.logLine.isEmpty());

        // Not plugged in: the stored name is tried as it is.
        QCOMPARE(FollowAdapter("COM33", remembered, {port("COM34", "B20X9999")}).name,
                 QString("COM33"));
        // Nothing remembered.
        QCOMPARE(FollowAdapter("COM33", AdapterIdentity(), {port("COM34", "A10K1234")}).name,
                 QString("COM33"));
    }

    // Without a serial number the ids must name one adapter only.
    void followedByIds()
    {
        const AdapterIdentity remembered = AdapterIdentity::fromKey("1a86:7523:");
        const AdapterPort ch340 = port("COM36", QString(), 0x1a86, 0x7523);
        const FollowedPort moved = FollowAdapter("COM33", remembered, {ch340});
        QCOMPARE(moved.name, QString("COM36"));
        QCOMPARE(moved.logLine,
                 QString("COM33 is now COM36: the same adapter (FT232R USB UART, 1a86:7523)."));

        AdapterPort twin = ch340;
        twin.name = QStringLiteral("COM37");
        QCOMPARE(FollowAdapter("COM33", remembered, {ch340, twin}).name, QString("COM33"));
    }

    void fileTag()
    {
        const QList<AdapterPort> present{port("COM33", "A10K1234"),
                                         port("COM34", QString(), 0x10c4, 0xea60), builtIn("COM1")};
        QCOMPARE(AdapterFileTag("COM33", present), QString("A10K1234"));
        QCOMPARE(AdapterFileTag("COM34", present), QString("10c4-ea60"));
        QCOMPARE(AdapterFileTag("COM1", present), QString("COM1"));
        QCOMPARE(AdapterFileTag("/dev/pts/3", present), QString("/dev/pts/3"));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestAdapterPorts)
#include "tst_adapter_ports.moc"
