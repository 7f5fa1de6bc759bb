#include "doctor/DoctorLines.h"

#include <QTest>

namespace {

PortFacts ftdiFacts()
{
    PortFacts f;
    f.device = QStringLiteral("/dev/ttyUSB0");
    f.adapter.usb = true;
    f.adapter.vendorId = 0x0403;
    f.adapter.productId = 0x6001;
    f.adapter.manufacturer = QStringLiteral("FTDI");
    f.adapter.product = QStringLiteral("FT232R USB UART");
    f.adapter.serialNumber = QStringLiteral("A10K1234");
    f.adapter.driver = QStringLiteral("ftdi_sio");
    f.access.known = true;
    f.access.exists = true;
    f.access.owner = QStringLiteral("root");
    f.access.group = QStringLiteral("dialout");
    f.access.mode = 0660;
    f.holdersKnown = true;
    return f;
}

UserAccount alice()
{
    UserAccount user;
    user.uid = 1000;
    user.name = QStringLiteral("alice");
    return user;
}

DoctorLines::Remedies cliRemedies()
{
    DoctorLines::Remedies r;
    r.findSpeed = QStringLiteral("skyvane-cli doctor --port COM33 --find-speed");
    r.useSpeed = [](const QString& speed) {
        return QStringLiteral("skyvane-cli doctor --port COM33 --speed ") + speed;
    };
    return r;
}

RoundTripFigures figures(double roundTripMs, double intervalMs)
{
    RoundTripFigures f;
    f.rateMs = 33;
    f.polls = 100;
    f.answered = 100;
    f.frameBytes = 74;
    f.bytesReceived = 7400;
    for (int i = 0; i < 100; ++i) {
        f.roundTripsMs << roundTripMs;
        if (i > 0)
            f.intervalsMs << intervalMs;
    }
    return f;
}

} // namespace

// Each line of the doctor's report from facts the test gives: its verdict and the remedy the
// user pastes.
class TestDoctorLines : public QObject
{
    Q_OBJECT
private slots:
    void deviceAndAdapter()
    {
        const QList<DoctorLine> lines = DoctorLines::device("COM33", ftdiFacts(), QString());
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].text, QString("COM33 is /dev/ttyUSB0"));
        QCOMPARE(lines[1].verdict, DoctorLine::Ok);
        QCOMPARE(lines[1].text, QString("adapter: FT232R USB UART by FTDI, USB 0403:6001, serial "
                                        "number A10K1234, driver ftdi_sio"));

        PortFacts gone = ftdiFacts();
        gone.access.exists = false;
        const QList<DoctorLine> missing = DoctorLines::device("COM33", gone, QString());
        QCOMPARE(missing.size(), 1);
        QCOMPARE(missing[0].verdict, DoctorLine::Problem);
        QCOMPARE(missing[0].remedy, QStringList{"skyvane-cli ports"});

        const QList<DoctorLine> refused =
            DoctorLines::device("COM33", ftdiFacts(), QStringLiteral("Permission denied"));
        QCOMPARE(refused.last().verdict, DoctorLine::Problem);
        QCOMPARE(refused.last().text, QString("the port does not open: Permission denied"));
    }

    // Permission denied: outside the group, added to it but not logged in again, the owner's
    // device only, and allowed.
    void permission()
    {
        PortFacts facts = ftdiFacts();
        QList<DoctorLine> lines = DoctorLines::access(facts, alice());
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].verdict, DoctorLine::Problem);
        QVERIFY(lines[0].text.contains("alice is not in group dialout"));
        QCOMPARE(lines[0].remedy, QStringList{"sudo usermod -aG dialout alice"});

        facts.access.listedInGroup = true;
        lines = DoctorLines::access(facts, alice());
        QCOMPARE(lines[0].verdict, DoctorLine::Problem);
        QVERIFY(lines[0].text.contains("after this login began"));
        QCOMPARE(lines[0].remedy, QStringList{"newgrp dialout"});

        facts.access.listedInGroup = false;
        facts.access.mode = 0600;
        lines = DoctorLines::access(facts, alice());
        QCOMPARE(lines[0].verdict, DoctorLine::Problem);
        QCOMPARE(lines[0].remedy, QStringList{"sudo setfacl -m u:alice:rw /dev/ttyUSB0"});

        facts.access.mayOpen = true;
        lines = DoctorLines::access(facts, alice());
        QCOMPARE(lines[0].verdict, DoctorLine::Ok);
        QCOMPARE(lines[0].text,
                 QString("alice may open it (owner root, group dialout, mode 0600)"));
    }

    void heldAndServices()
    {
        PortFacts facts = ftdiFacts();
        QCOMPARE(DoctorLines::holders(facts).first().verdict, DoctorLine::Ok);
        facts.holders.append({4242, QStringLiteral("minicom")});
        const QList<DoctorLine> held = DoctorLines::holders(facts);
        QCOMPARE(held.size(), 1);
        QCOMPARE(held[0].verdict, DoctorLine::Problem);
        QVERIFY(held[0].text.startsWith("minicom (process 4242) has it open"));
        QCOMPARE(held[0].remedy, QStringList{"kill 4242"});

        QCOMPARE(DoctorLines::services(facts).first().verdict, DoctorLine::Ok);
        facts.grabbers << QStringLiteral("ModemManager") << QStringLiteral("brltty");
        const QList<DoctorLine> services = DoctorLines::services(facts);
        QCOMPARE(services.size(), 2);
        QCOMPARE(services[0].verdict, DoctorLine::Warning);
        QCOMPARE(services[0].remedy.first(),
                 QString("echo 'ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6001\", "
                         "ENV{ID_MM_DEVICE_IGNORE}=\"1\"' | sudo tee "
                         "/etc/udev/rules.d/99-skyvane-modemmanager.rules"));
        QCOMPARE(services[1].verdict, DoctorLine::Warning);
        QVERIFY(services[1].remedy.contains("sudo systemctl mask brltty-udev.service"));

        // They leave a port without a USB adapter alone.
        facts.adapter.usb = false;
        for (const DoctorLine& line : DoctorLines::services(facts))
            QCOMPARE(line.verdict, DoctorLine::Ok);
    }

    // The latency timer at 16 ms and at 1 ms, at the usual rate and at a rate faster than it.
    void latencyTimer()
    {
        PortFacts facts = ftdiFacts();
        facts.latency.present = true;
        facts.latency.ms = 16;
        facts.latency.where = QStringLiteral("/sys/bus/usb-serial/devices/ttyUSB0/latency_timer");
        QList<DoctorLine> lines = DoctorLines::latency(facts, 33, false);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].verdict, DoctorLine::Warning);
        QVERIFY(lines[0].text.startsWith("latency timer 16 ms: the adapter holds each reply up to "
                                         "16 ms, 48 % of the 33 ms between polls"));
        QCOMPARE(lines[0].remedy,
                 (QStringList{"echo 'ACTION==\"add\", SUBSYSTEM==\"usb-serial\", "
                              "DRIVER==\"ftdi_sio\", ATTR{latency_timer}=\"1\"' | sudo tee "
                              "/etc/udev/rules.d/99-skyvane-latency.rules",
                              "echo 1 | sudo tee "
                              "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer"}));

        lines = DoctorLines::latency(facts, 10, false);
        QCOMPARE(lines[0].verdict, DoctorLine::Problem);
        QVERIFY(lines[0].text.contains("so frames come in bursts"));

        // "Low latency" runs the adapter at 1 ms while the port is open.
        lines = DoctorLines::latency(facts, 33, true);
        QCOMPARE(lines[0].verdict, DoctorLine::Ok);
        QVERIFY(lines[0].remedy.isEmpty());

        facts.latency.ms = 1;
        lines = DoctorLines::latency(facts, 33, false);
        QCOMPARE(lines[0].verdict, DoctorLine::Ok);
        QCOMPARE(lines[0].text, QString("latency timer 1 ms"));

        facts.latency = LatencyFacts();
        QCOMPARE(DoctorLines::latency(facts, 33, false)[0].verdict, DoctorLine::Ok);

        // What "Low latency" did at the doctor's own opening.
        QCOMPARE(DoctorLines::lowLatencyNote("Low latency on for /dev/ttyUSB0: the driver hands "
                                             "on received bytes at once (ASYNC_LOW_LATENCY, "
                                             "latency timer 1 ms).")
                     .verdict,
                 DoctorLine::Ok);
        QCOMPARE(DoctorLines::lowLatencyNote("Low latency is not available for /dev/pts/3: "
                                             "Inappropriate ioctl for device.")
                     .verdict,
                 DoctorLine::Warning);

        // Windows: the registry's value, and where to change it.
        facts.latency.present = true;
        facts.latency.ms = 16;
        facts.latency.where = QStringLiteral("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\"
                                             "FTDIBUS\\VID_0403+PID_6001+A10K1234A\\0000\\"
                                             "Device Parameters");
        lines = DoctorLines::latency(facts, 33, false);
        QCOMPARE(lines[0].verdict, DoctorLine::Warning);
        QVERIFY(lines[0].text.contains("Device Manager"));
        QVERIFY(lines[0].remedy.isEmpty());
    }

    void roundTripAndWire()
    {
        QCOMPARE(DoctorLines::WireMs(74, 115200), 74 * 10 * 1000.0 / 115200);
        QList<DoctorLine> lines = DoctorLines::roundTrip(figures(7.0, 33.0), 115200, cliRemedies());
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0].verdict, DoctorLine::Ok);
        QCOMPARE(lines[0].text, QString("round trip \"F\" to frame: median 7.00 ms, 95 % 7.00 ms, "
                                        "largest 7.00 ms over 100 polls"));
        QCOMPARE(lines[1].text, QString("on the wire at 115200 Bd: 6.42 ms for the 74-byte frame, "
                                        "0.09 ms for \"F\""));
        QCOMPARE(lines[2].verdict, DoctorLine::Ok);
        QCOMPARE(lines[3].verdict, DoctorLine::Ok);
        QCOMPARE(lines[3].text,
                 QString("bytes skipped as noise: 0 of 7400; frames lost: 0 of 100"));

        // A latency timer's 16 ms on top of the wire.
        lines = DoctorLines::roundTrip(figures(22.5, 33.0), 115200, cliRemedies());
        QCOMPARE(lines[0].verdict, DoctorLine::Warning);
        QVERIFY(lines[0].text.contains("16.0 ms more than the wire needs"));

        // Frames in bursts, noise and lost frames.
        RoundTripFigures bursty = figures(7.0, 33.0);
        bursty.intervalsMs[10] = 2.0;
        bursty.skippedBytes = 12;
        bursty.lost = 3;
        lines = DoctorLines::roundTrip(bursty, 115200, cliRemedies());
        QCOMPARE(lines[2].verdict, DoctorLine::Warning);
        QVERIFY(lines[2].text.contains("1 frames came less than half an interval"));
        QCOMPARE(lines[3].verdict, DoctorLine::Warning);
        bursty.lost = 10;
        QCOMPARE(DoctorLines::roundTrip(bursty, 115200, cliRemedies())[3].verdict,
                 DoctorLine::Problem);
    }

    // A silent board: the one line, and the speed search as its remedy.
    void silentBoard()
    {
        RoundTripFigures silent;
        silent.rateMs = 33;
        silent.polls = 5;
        silent.lost = 5;
        silent.silent = true;
        const QList<DoctorLine> lines = DoctorLines::roundTrip(silent, 115200, cliRemedies());
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].verdict, DoctorLine::Problem);
        QVERIFY(lines[0].text.startsWith("no frame came back to 5 \"F\" requests at 115200 Bd"));
        QCOMPARE(lines[0].remedy, QStringList{"skyvane-cli doctor --port COM33 --find-speed"});
    }

    void speedFound()
    {
        SpeedSearchResult result;
        result.tries = {{"115200", true, false}, {"1200", true, false}, {"57600", true, true}};
        result.found = QStringLiteral("57600");
        result.restored = true;
        QList<DoctorLine> lines = DoctorLines::speed(result, "115200", cliRemedies());
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].verdict, DoctorLine::Problem);
        QCOMPARE(lines[0].text,
                 QString("the board answers at 57600 Bd, not at 115200 Bd: use 57600"));
        QCOMPARE(lines[0].remedy, QStringList{"skyvane-cli doctor --port COM33 --speed 57600"});
        QCOMPARE(lines[1].text, QString("the port is back at 115200 Bd"));

        result.found = QStringLiteral("115200");
        QCOMPARE(DoctorLines::speed(result, "115200", cliRemedies())[0].verdict, DoctorLine::Ok);

        result.found.clear();
        result.restored = false;
        result.tries[1].opened = false;
        lines = DoctorLines::speed(result, "115200", cliRemedies());
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0].text, QString("the port did not open at 1200 Bd"));
        QCOMPARE(lines[1].verdict, DoctorLine::Problem);
        QCOMPARE(lines[2].verdict, DoctorLine::Problem);
    }

    void reportText()
    {
        DoctorReport report;
        report.heading = QStringLiteral("Check the Link: COM33");
        report.sections.append({"Access",
                                {DoctorLine{DoctorLine::Ok, "fine", {}},
                                 DoctorLine{DoctorLine::Problem, "held", {"kill 4242"}},
                                 DoctorLine{DoctorLine::Warning, "slow", {"a", "b"}}}});
        QCOMPARE(report.text(), QString("Check the Link: COM33\n"
                                        "\n"
                                        "Access\n"
                                        "  ok       fine\n"
                                        "  problem  held\n"
                                        "           kill 4242\n"
                                        "  warning  slow\n"
                                        "           a\n"
                                        "           b\n"
                                        "\n"
                                        "1 problem, 1 warning.\n"));
        QCOMPARE(Percentile({5, 1, 4, 2, 3}, 0.5), 3.0);
        QCOMPARE(Percentile({5, 1, 4, 2, 3}, 0.95), 5.0);
        QCOMPARE(Percentile({}, 0.5), 0.0);
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestDoctorLines)
#include "tst_doctor_lines.moc"
