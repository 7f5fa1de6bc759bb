#include "link/PortSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool put(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

bool link(const QString& target, const QString& at)
{
    QDir().mkpath(QFileInfo(at).path());
    return QFile::link(target, at);
}

UserAccount alice(QList<unsigned> groups)
{
    UserAccount user;
    user.uid = 4711;
    user.name = QStringLiteral("alice");
    user.groups = groups;
    return user;
}

} // namespace

// What the system says about a port, read from a real device node, real processes and trees
// the test makes in place of /sys and /proc.
class TestPortSystem : public QObject
{
    Q_OBJECT
private slots:
    // The rights of a device of group dialout, mode 0660, for an account outside and inside
    // the group, and for its owner when only the owner may read.
    void rights()
    {
        if (geteuid() != 0)
            QSKIP("giving a file to root and group dialout needs root");
        const group* dialout = getgrnam("dialout");
        if (!dialout)
            QSKIP("no group dialout here");
        QTemporaryDir dir;
        const QString device = dir.filePath(QStringLiteral("ttyUSB0"));
        QVERIFY(put(device, ""));
        QCOMPARE(::chown(QFile::encodeName(device).constData(), 0, dialout->gr_gid), 0);
        QCOMPARE(::chmod(QFile::encodeName(device).constData(), 0660), 0);

        const PortFacts outside = ProbePort(device, alice({4711}), 0);
        QVERIFY(outside.access.known);
        QVERIFY(outside.access.exists);
        QCOMPARE(outside.access.owner, QString("root"));
        QCOMPARE(outside.access.group, QString("dialout"));
        QCOMPARE(outside.access.mode, 0660u);
        QVERIFY(!outside.access.inGroup);
        QVERIFY(!outside.access.mayOpen);

        const PortFacts inside = ProbePort(device, alice({4711, dialout->gr_gid}), 0);
        QVERIFY(inside.access.inGroup);
        QVERIFY(inside.access.mayOpen);

        QCOMPARE(::chmod(QFile::encodeName(device).constData(), 0600), 0);
        QVERIFY(!ProbePort(device, alice({4711, dialout->gr_gid}), 0).access.mayOpen);
        UserAccount root;
        QVERIFY(ProbePort(device, root, 0).access.mayOpen);

        const PortFacts missing = ProbePort(dir.filePath(QStringLiteral("ttyUSB9")), root, 0);
        QVERIFY(missing.access.known);
        QVERIFY(!missing.access.exists);
    }

    // A process that has the device open is named with its process id; the program's own
    // process is not counted.
    void heldByAnotherProcess()
    {
        QTemporaryDir dir;
        const QString device = dir.filePath(QStringLiteral("ttyUSB0"));
        QVERIFY(put(device, ""));
        QFile own(device);
        QVERIFY(own.open(QIODevice::ReadOnly));
        const qint64 self = QCoreApplication::applicationPid();
        QVERIFY(ProbePort(device, CurrentUser(), self).holders.isEmpty());
        QCOMPARE(ProbePort(device, CurrentUser(), 0).holders.size(), 1);

        QProcess holder;
        holder.setStandardInputFile(device);
        holder.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(holder.waitForStarted());
        const qint64 pid = holder.processId();
        const PortFacts facts = ProbePort(device, CurrentUser(), self);
        holder.kill();
        holder.waitForFinished();
        QVERIFY(facts.holdersKnown);
        QCOMPARE(facts.holders.size(), 1);
        QCOMPARE(facts.holders.first().pid, pid);
        QCOMPARE(facts.holders.first().name, QString("sleep"));
    }

    // An FTDI adapter as /sys shows it: its ids, names, serial number, driver and latency
    // timer (16 ms, then 1 ms).
    void adapterAndLatencyTimer()
    {
        QTemporaryDir sys;
        const QString usb = sys.filePath(QStringLiteral("devices/pci0/usb1/1-2"));
        const QString tty = usb + QStringLiteral("/1-2:1.0/ttyUSB0");
        QVERIFY(put(usb + "/idVendor", "0403\n"));
        QVERIFY(put(usb + "/idProduct", "6001\n"));
        QVERIFY(put(usb + "/manufacturer", "FTDI\n"));
        QVERIFY(put(usb + "/product", "FT232R USB UART\n"));
        QVERIFY(put(usb + "/serial", "A10K1234\n"));
        QVERIFY(QDir().mkpath(tty));
        QVERIFY(QDir().mkpath(sys.filePath(QStringLiteral("bus/usb-serial/drivers/ftdi_sio"))));
        QVERIFY(
            link(sys.filePath(QStringLiteral("bus/usb-serial/drivers/ftdi_sio")), tty + "/driver"));
        QVERIFY(link(tty, sys.filePath(QStringLiteral("class/tty/ttyUSB0/device"))));
        const QString timer = sys.filePath(QStringLiteral("bus/usb-serial/devices/ttyUSB0"));
        QVERIFY(put(timer + "/latency_timer", "16\n"));
        SystemRoots roots;
        roots.sys = sys.path();
        roots.proc = sys.filePath(QStringLiteral("no-proc"));

        const PortFacts facts = ProbePort(QStringLiteral("/dev/ttyUSB0"), CurrentUser(), 0, roots);
        QCOMPARE(facts.device, QString("/dev/ttyUSB0"));
        QVERIFY(facts.adapter.usb);
        QCOMPARE(facts.adapter.vendorId, quint16(0x0403));
        QCOMPARE(facts.adapter.productId, quint16(0x6001));
        QCOMPARE(facts.adapter.manufacturer, QString("FTDI"));
        QCOMPARE(facts.adapter.product, QString("FT232R USB UART"));
        QCOMPARE(facts.adapter.serialNumber, QString("A10K1234"));
        QCOMPARE(facts.adapter.driver, QString("ftdi_sio"));
        QVERIFY(facts.latency.present);
        QCOMPARE(facts.latency.ms, 16);
        QCOMPARE(facts.latency.where, timer + "/latency_timer");
        QVERIFY(!facts.holdersKnown);

        QVERIFY(put(timer + "/latency_timer", "1\n"));
        QCOMPARE(ProbePort(QStringLiteral("/dev/ttyUSB0"), CurrentUser(), 0, roots).latency.ms, 1);

        // A port without an adapter and without a timer (a built-in port).
        const PortFacts builtIn = ProbePort(QStringLiteral("/dev/ttyS0"), CurrentUser(), 0, roots);
        QVERIFY(!builtIn.adapter.usb);
        QVERIFY(!builtIn.latency.present);
    }

    // Processes as /proc shows them: ModemManager and brltty running, a terminal program
    // holding the adapter, and for a pseudo-terminal the board holding its other side.
    void processesInAProcTree()
    {
        QTemporaryDir proc;
        QVERIFY(put(proc.filePath("310/comm"), "ModemManager\n"));
        QVERIFY(put(proc.filePath("311/comm"), "brltty\n"));
        QVERIFY(put(proc.filePath("4242/comm"), "minicom\n"));
        QVERIFY(link(QStringLiteral("/dev/ttyUSB0"), proc.filePath("4242/fd/3")));
        QVERIFY(put(proc.filePath("77/comm"), "board-sim\n"));
        QVERIFY(link(QStringLiteral("/dev/ptmx"), proc.filePath("77/fd/4")));
        QVERIFY(put(proc.filePath("77/fdinfo/4"), "pos:\t0\nflags:\t02104002\ntty-index:\t7\n"));
        QVERIFY(link(QStringLiteral("/dev/pts/7"), proc.filePath("77/fd/5")));
        QVERIFY(put(proc.filePath("self-ish/comm"), "not a process\n"));
        SystemRoots roots;
        roots.proc = proc.path();
        roots.sys = proc.filePath(QStringLiteral("no-sys"));

        const PortFacts usb = ProbePort(QStringLiteral("/dev/ttyUSB0"), CurrentUser(), 0, roots);
        QVERIFY(usb.holdersKnown);
        QCOMPARE(usb.holders.size(), 1);
        QCOMPARE(usb.holders.first().pid, 4242);
        QCOMPARE(usb.holders.first().name, QString("minicom"));
        QVERIFY(usb.otherEnd.isEmpty());
        QStringList grabbers = usb.grabbers;
        grabbers.sort();
        QCOMPARE(grabbers, (QStringList{"ModemManager", "brltty"}));
        // The program's own process is passed over.
        QVERIFY(ProbePort(QStringLiteral("/dev/ttyUSB0"), CurrentUser(), 4242, roots)
                    .holders.isEmpty());

        const PortFacts pty = ProbePort(QStringLiteral("/dev/pts/7"), CurrentUser(), 0, roots);
        QVERIFY(pty.holders.isEmpty());
        QCOMPARE(pty.otherEnd.size(), 1);
        QCOMPARE(pty.otherEnd.first().pid, 77);
        // Another pseudo-terminal's board is no one's other end here.
        QVERIFY(
            ProbePort(QStringLiteral("/dev/pts/8"), CurrentUser(), 0, roots).otherEnd.isEmpty());
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestPortSystem)
#include "tst_port_system.moc"
