#include "doctor/LinkDoctor.h"

#include "session/BoardSession.h"
#include "support/BoardProcess.h"
#include "support/Files.h"
#include "support/MemoryLogger.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// The doctor over a session as skyvane-cli makes it, against the virtual board.
struct DoctorRig
{
    explicit DoctorRig(QStringList boardOptions)
    {
        boardOptions << QStringLiteral("--record") << received();
        board = std::make_unique<BoardProcess>(boardOptions, BoardProcess::ShowErrors);
        BoardSession::Parts parts(log);
        session = std::make_unique<BoardSession>(parts);
    }
    ~DoctorRig()
    {
        session.reset();
        board.reset();
    }
    LinkDoctor doctor(const QString& speed = QStringLiteral("115200")) const
    {
        LinkDoctor::Setup setup;
        setup.portName = board->portPath();
        setup.speed = speed;
        setup.rateMs = 20;
        setup.speeds = {QStringLiteral("9600"), QStringLiteral("57600"), QStringLiteral("115200"),
                        QStringLiteral("230400")};
        setup.remedies.findSpeed = QStringLiteral("FIND");
        setup.remedies.useSpeed = [](const QString& s) { return QStringLiteral("USE ") + s; };
        return LinkDoctor(*session, setup);
    }
    QString received() const { return dir.filePath(QStringLiteral("received.bin")); }

    QTemporaryDir dir;
    MemoryLogger log;
    std::unique_ptr<BoardProcess> board;
    std::unique_ptr<BoardSession> session;
};

const DoctorSection* section(const DoctorReport& report, const QString& title)
{
    for (const DoctorSection& s : report.sections) {
        if (s.title == title)
            return &s;
    }
    return nullptr;
}

} // namespace

// The link doctor against the virtual board: a board that answers, one that holds its replies
// as an FTDI adapter does, a silent one, and one that talks at another speed only.
class TestLinkDoctor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(BoardProcess::program()),
                 qPrintable(BoardProcess::program() + " is not built"));
    }

    void boardThatAnswers()
    {
        DoctorRig r({});
        QVERIFY2(r.board->error().isEmpty(), qPrintable(r.board->error()));
        const DoctorReport report = r.doctor().check();
        const DoctorSection* device = section(report, "Device");
        QVERIFY(device);
        QVERIFY(device->lines.first().text.endsWith(r.board->portPath()));
        const DoctorSection* access = section(report, "Access");
        QVERIFY(access);
        bool otherEnd = false;
        for (const DoctorLine& line : access->lines)
            otherEnd =
                otherEnd ||
                line.text.startsWith(
                    QStringLiteral("board-sim (process %1) is the other end").arg(r.board->pid()));
        QVERIFY2(otherEnd, qPrintable(report.text()));
        const DoctorSection* trip = section(report, "Round trip");
        QVERIFY(trip);
        QVERIFY2(trip->lines.size() == 4, qPrintable(report.text()));
        QVERIFY2(trip->lines[0].text.endsWith("over 100 polls"), qPrintable(report.text()));
        QVERIFY(trip->lines[1].text.contains("74-byte frame"));
        QCOMPARE(trip->lines[3].text,
                 QString("bytes skipped as noise: 0 of 7400; frames lost: 0 of 100"));
        // The port was opened for the check and closed after it; only "F" went out.
        QVERIFY(!r.session->port().PortOpen());
        QCOMPARE(readFile(r.received()), QByteArray(100, 'F'));
    }

    // Replies held 16 ms by the adapter: the round trip says so. (The board cannot answer
    // sooner than its hold, so this holds however busy the machine is.)
    void latencyTimerOfTheAdapter()
    {
        DoctorRig r({QStringLiteral("--latency"), QStringLiteral("16")});
        const DoctorReport report = r.doctor().check();
        const DoctorSection* trip = section(report, "Round trip");
        QVERIFY(trip);
        QCOMPARE(trip->lines[0].verdict, DoctorLine::Warning);
        QVERIFY2(trip->lines[0].text.contains("more than the wire needs"),
                 qPrintable(report.text()));
    }

    void silentBoard()
    {
        DoctorRig r({QStringLiteral("--silent")});
        const DoctorReport report = r.doctor().check();
        const DoctorSection* trip = section(report, "Round trip");
        QVERIFY(trip);
        QCOMPARE(trip->lines.size(), 1);
        QCOMPARE(trip->lines[0].verdict, DoctorLine::Problem);
        QVERIFY(trip->lines[0].text.startsWith("no frame came back to 5 \"F\" requests"));
        QCOMPARE(trip->lines[0].remedy, QStringList{"FIND"});
        QVERIFY(report.count(DoctorLine::Problem) >= 1);
    }

    // The board talks at 57600 Bd only: the user's 115200 is tried first, then the list in
    // order; the search stops at 57600, sends nothing but "F", and the open port is back at
    // 115200.
    void speedFound()
    {
        DoctorRig r({QStringLiteral("--speed"), QStringLiteral("57600")});
        QVERIFY(r.session->OpenPort(r.board->portPath(), QStringLiteral("115200")));
        const DoctorReport report = r.doctor().findSpeed();
        const DoctorSection* speed = section(report, "Speed");
        QVERIFY(speed);
        QCOMPARE(speed->lines.size(), 2);
        QCOMPARE(speed->lines[0].text,
                 QString("the board answers at 57600 Bd, not at 115200 Bd: use 57600"));
        QCOMPARE(speed->lines[0].remedy, QStringList{"USE 57600"});
        QCOMPARE(speed->lines[1].text, QString("the port is back at 115200 Bd"));
        QVERIFY(r.session->port().PortOpen());
        QCOMPARE(r.session->port().Settings(), QString("115200,n,8,1"));
        // One "F" at each speed tried (115200, 9600, 57600), nothing else; each try and the way
        // back opened the port.
        QCOMPARE(readFile(r.received()), QByteArray("FFF"));
        QCOMPARE(r.log.lines.filter("opened.").size(), 5);
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestLinkDoctor)
#include "tst_link_doctor.moc"
