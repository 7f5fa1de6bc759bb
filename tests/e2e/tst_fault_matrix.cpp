#include "FaultSession.h"
#include "support/HexLines.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QtTest>

#include <utility>
#include <vector>

namespace {

enum class State
{
    Idle,
    Streaming,
    ConstantsPause,
    BootWait,
    RowProgramming
};

// One cell of the matrix: a fault met in one state of the program.
struct Cell
{
    State state = State::Idle;
    QStringList board = {};
    // The board killed (its end of the line gone) at this moment.
    Moment kill = {};
    // The operator presses "Disconnection" at this moment, the program waiting for a reply
    // that will not come.
    Moment disconnect = {};
    bool linkDrops = false;
    // Stray bytes before the frames are skipped: the data and the table still get through.
    bool framesGetThrough = false;
    // Replies meant for the bootloader ("+F...") arrive instead of frames: once the "+" is
    // skipped, the "F" is taken for a frame start and the bytes after it are decoded as one.
    bool repliesTakenForFrames = false;
    // Application states: the whole log. Bootloader states: messages that appear in this
    // order. "%port" stands for the port's path; each entry is matched as the start of a
    // message.
    QStringList log = {};
    // Bootloader states: starts of messages that must not appear at all.
    QStringList forbidden = {};
    std::vector<std::pair<QString, int>> counts = {};
    // The download really wrote the firmware (checked in the board's flash).
    bool flashWritten = false;
};

// The longest wait for something that must happen: it ends when it happens, and only a fault
// reaches it, however loaded the machine.
constexpr int EventMs = 20000;
// The shortest stretch over which the CPU share is taken, with the fault still present.
constexpr int MeasuredMs = 500;

const QString Started = QStringLiteral("Application started.");
const QString Opened = QStringLiteral("Port %port opened.");
const QString Lost = QStringLiteral("Link to %port (%port) lost: ");
const QString Closed = QStringLiteral("COM Port closed.");
const QString SendFailed = QStringLiteral("Send failed because the COM port is closed.");
const QString Programmed = QStringLiteral("Flash Memory Programmed in ");
const QString Failed = QStringLiteral("Programmation failed.");
const QString Version = QStringLiteral("Veltis Bootloader Version 1.9 (33E).");
const QString Checking = QStringLiteral("Checking Bootloader version...");
const QString Erasing = QStringLiteral("Erasing Flash Memory...");
const QString Programming = QStringLiteral("Programming Flash Memory...");
const QString Running = QStringLiteral("Running Application...");
const QString Launched = QStringLiteral("Application Launched.");
const QString Erased = QStringLiteral("Flash Erased successfully.");
const QString NotStarted = QStringLiteral("Application not started; the download can be repeated.");

// Replies the bootloader gives, arriving where the application should answer: "+F",
// "+#" 0x01, and the unknown letter "+Z".
const QString BootRepliesAsAnswer = QStringLiteral("2B462B23012B5A");
// Faults in the stream start once the program shows the board's data.
const QStringList AfterEightFrames{"--fault-after", "8"};

std::vector<std::pair<const char*, Cell>> ApplicationCells()
{
    const QStringList quiet{Started, Opened, Closed};
    const QStringList lost{Started, Opened, Lost, Closed};
    return {
        {"idle/link dropped",
         {.state = State::Idle, .kill = {{}, 100}, .linkDrops = true, .log = lost}},
        {"idle/board silent", {.state = State::Idle, .board = {"--silent"}, .log = quiet}},
        {"idle/noise",
         {.state = State::Idle, .board = {"--noise", "5"}, .framesGetThrough = true, .log = quiet}},
        {"idle/wrong replies",
         {.state = State::Idle, .board = {"--app-reply", BootRepliesAsAnswer}, .log = quiet}},

        {"streaming/link dropped",
         {.state = State::Streaming,
          .board = {"--drop-after", "10"},
          .linkDrops = true,
          .log = lost}},
        {"streaming/board silent",
         {.state = State::Streaming,
          .board = QStringList{"--silent"} + AfterEightFrames,
          .log = quiet}},
        {"streaming/noise",
         {.state = State::Streaming,
          .board = QStringList{"--noise", "3"} + AfterEightFrames,
          .framesGetThrough = true,
          .log = quiet}},
        {"streaming/wrong replies",
         {.state = State::Streaming,
          .board = QStringList{"--app-reply", BootRepliesAsAnswer} + AfterEightFrames,
          .repliesTakenForFrames = true,
          .log = quiet}},

        // The table comes in pieces two seconds apart; the board goes before the last.
        {"constants pause/link dropped",
         {.state = State::ConstantsPause,
          .board = {"--constants-split", "2000"},
          .kill = {{}, 150},
          .linkDrops = true,
          .log = lost}},
        {"constants pause/board silent",
         {.state = State::ConstantsPause, .board = {"--silent"}, .log = quiet}},
        {"constants pause/noise",
         {.state = State::ConstantsPause,
          .board = {"--noise", "4"},
          .framesGetThrough = true,
          .log = quiet}},
        {"constants pause/wrong replies",
         {.state = State::ConstantsPause,
          .board = {"--app-reply", BootRepliesAsAnswer},
          .log = quiet}},
    };
}

std::vector<std::pair<const char*, Cell>> BootloaderCells()
{
    // A download that did not program the whole file never starts the application.
    const QStringList boardGone{Failed, NotStarted, Closed};
    // The operator's "Disconnection" ends the download: no later step runs.
    const QStringList stopped{Programmed, Running, Launched};
    const QStringList success{Version, Erased, Programming, Programmed, Running, Launched, Closed};
    return {
        {"bootloader wait/link dropped",
         {.state = State::BootWait,
          .board = {"--boot-reply", "E="},
          .kill = {Erasing, 150},
          .linkDrops = true,
          .log = {Version, Erasing, Lost, NotStarted, Closed},
          // No row goes over a flash whose erase was not confirmed.
          .forbidden = {Erased, Programming, Running, Launched, SendFailed}}},
        {"bootloader wait/board silent",
         {.state = State::BootWait,
          .board = {"--silent"},
          .disconnect = {Checking, 300},
          .log = {Checking, Closed, Failed, Closed},
          .forbidden = QStringList{"Veltis", Erasing, Programming} + stopped}},
        {"bootloader wait/noise",
         {.state = State::BootWait,
          .board = {"--boot-noise", "300"},
          .log = success,
          .forbidden = {Failed, "Checksum error !"},
          .flashWritten = true}},
        // "+F" ends the version wait without a version; "+Z" keeps the erase wait going.
        {"bootloader wait/wrong replies",
         {.state = State::BootWait,
          .board = {"--boot-reply", "V=2B46", "--boot-reply", "E=2B5A"},
          .disconnect = {Erasing, 300},
          .log = {Checking, "Connection established.", Erasing, Closed, Failed, Closed},
          .forbidden = QStringList{"Veltis", Erased, Programming} + stopped}},

        {"row programming/link dropped",
         {.state = State::RowProgramming,
          .board = {"--boot-drop-after", "2"},
          .linkDrops = true,
          .log = QStringList{Version, Erased, Programming, Lost} + boardGone,
          .forbidden = {Programmed, Running}}},
        // The sends left of the row find the port closed.
        {"row programming/board silent",
         {.state = State::RowProgramming,
          .board = {"--boot-silent-after", "1"},
          .disconnect = {Programming, 300},
          .log = {Programming, Closed, SendFailed, Failed, Closed},
          .forbidden = stopped,
          .counts = {{SendFailed, 71}}}},
        // Noise before every reply, and every third row refused and sent again.
        {"row programming/noise",
         {.state = State::RowProgramming,
          .board = {"--boot-noise", "40", "--boot-fail-every", "3"},
          .log = success,
          .forbidden = {Failed},
          .flashWritten = true}},
        {"row programming/wrong replies",
         {.state = State::RowProgramming,
          .board = {"--boot-checksum-error"},
          .log = {Programming, "Checksum error !", Failed, NotStarted, Closed},
          .forbidden = {Programmed, Running},
          .counts = {{"Checksum error !", 72}}}},
    };
}

// Two flash rows of code (word addresses 0 to 255), every instruction different.
QByteArray FirmwareBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 512; ++i)
        bytes.append(char(i % 4 == 3 ? 0 : (i * 7 + 3) & 0xFF));
    return bytes;
}

// The board's flash after the download: the two rows of code (3 bytes an instruction: the
// file's fourth byte is never sent), then the two erased rows the walk goes on to.
QByteArray WrittenFlash()
{
    const QByteArray bytes = FirmwareBytes();
    QByteArray rows[2];
    for (int i = 0; i < 512; ++i) {
        if (i % 4 != 3)
            rows[i / 256].append(bytes[i]);
    }
    const QByteArray erased = QByteArray(192, char(0xFF)).toHex().toUpper();
    return "000000 " + rows[0].toHex().toUpper() + "\n000080 " + rows[1].toHex().toUpper() +
           "\n000100 " + erased + "\n000180 " + erased + "\n";
}

QStringList WithPort(QStringList texts, const QString& port)
{
    for (QString& text : texts)
        text.replace("%port", port);
    return texts;
}

// Whether the expected starts of messages appear in this order.
bool AppearInOrder(const QStringList& log, const QStringList& expected)
{
    qsizetype at = 0;
    for (const QString& start : expected) {
        while (at < log.size() && !log[at].startsWith(start))
            ++at;
        if (at == log.size())
            return false;
        ++at;
    }
    return true;
}

} // namespace

Q_DECLARE_METATYPE(Cell)

class TestFaultMatrix : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void applicationStates_data();
    void applicationStates();
    void bootloaderStates_data();
    void bootloaderStates();

private:
    // What every cell ends with: the operator presses "Disconnection", the press returns, the
    // port is closed and shown so; a dropped link was shown within a second; no storm.
    void finish(FaultSession& s, const Cell& cell);

    QTemporaryDir m_files;
    QString m_firmware;
};

void TestFaultMatrix::initTestCase()
{
    QVERIFY(QFile::exists(BoardProcess::program()));
    m_firmware = m_files.filePath("board.kfw");
    QFile file(m_firmware);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(HexData(0, FirmwareBytes()) + HexEnd());
}

void TestFaultMatrix::applicationStates_data()
{
    QTest::addColumn<Cell>("cell");
    for (const auto& [name, cell] : ApplicationCells())
        QTest::newRow(name) << cell;
}

void TestFaultMatrix::applicationStates()
{
    QFETCH(Cell, cell);
    FaultSession s(cell.board);
    QVERIFY(!s.portPath().isEmpty());
    QVERIFY(s.portOpen());
    if (cell.linkDrops)
        QTRY_COMPARE_WITH_TIMEOUT(s.form().Text4->text(), QString("Connected"), EventMs);
    const QString startText3 = s.form().Text3->toPlainText();
    s.startMeasuring();
    s.killBoardAt(cell.kill);

    switch (cell.state) {
    case State::Idle:
        if (cell.linkDrops)
            break;
        // A command whose answer would show as a message: nothing false may show.
        s.form().Command1->click();
        if (cell.framesGetThrough) {
            // Through the noise, the board's own answer shows.
            QTRY_COMPARE_WITH_TIMEOUT(s.form().Text5->toPlainText(), QString("Alignment done"),
                                      EventMs);
            break;
        }
        QTest::qWait(400);
        QCOMPARE(s.form().Text5->toPlainText(), QString());
        break;
    case State::Streaming: {
        s.form().Check7->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(s.form().Text3->toPlainText() != startText3, EventMs);
        if (cell.repliesTakenForFrames)
            break;
        if (cell.framesGetThrough) {
            // The faults start after eight frames; the frames after them keep being decoded:
            // the shown data goes on changing (the board's attitude moves) well past the
            // eighth, and ends shown, not "No Data". Counted in frames, not in time: a loaded
            // machine may leave a gap of a second between two frames.
            int changes = 0;
            const QMetaObject::Connection counting =
                QObject::connect(s.form().Text3, &QPlainTextEdit::textChanged, [&] { ++changes; });
            QTRY_VERIFY_WITH_TIMEOUT(changes >= 40, EventMs);
            QObject::disconnect(counting);
            QTRY_VERIFY_WITH_TIMEOUT(s.form().Text32->text() != "No Data", EventMs);
            break;
        }
        // Once frames stop being decoded the data box says so, and nothing more is shown.
        QTRY_COMPARE_WITH_TIMEOUT(s.form().Text32->text(), QString("No Data"), EventMs);
        const QString frozen = s.form().Text3->toPlainText();
        QTest::qWait(300);
        QCOMPARE(s.form().Text3->toPlainText(), frozen);
        QCOMPARE(s.form().Text32->text(), QString("No Data"));
        break;
    }
    case State::ConstantsPause:
        s.form().Command10->click();
        // The request waits a fixed time; on a loaded machine the table may come after it.
        if (cell.framesGetThrough)
            QTRY_VERIFY_WITH_TIMEOUT(s.form().L->count() > 0, EventMs);
        else
            QCOMPARE(s.form().L->count(), 0);
        break;
    default:
        QFAIL("not an application state");
    }

    finish(s, cell);
    if (QTest::currentTestFailed())
        return;
    const QStringList log = s.messages();
    const QStringList expected = WithPort(cell.log, s.portPath());
    QVERIFY2(log.size() == expected.size() && AppearInOrder(log, expected),
             qPrintable(log.join(" | ")));
}

void TestFaultMatrix::bootloaderStates_data()
{
    QTest::addColumn<Cell>("cell");
    for (const auto& [name, cell] : BootloaderCells())
        QTest::newRow(name) << cell;
}

void TestFaultMatrix::bootloaderStates()
{
    QFETCH(Cell, cell);
    FaultSession s(cell.board);
    QVERIFY(!s.portPath().isEmpty());
    QVERIFY(s.portOpen());
    s.form().Text1->setText(m_firmware);
    s.startMeasuring();
    s.killBoardAt(cell.kill);
    s.disconnectAt(cell.disconnect);
    s.clickAndWait(s.form().Command4);

    finish(s, cell);
    if (QTest::currentTestFailed())
        return;
    const QStringList log = s.messages();
    QVERIFY2(AppearInOrder(log, WithPort(cell.log, s.portPath())), qPrintable(log.join(" | ")));
    for (const QString& start : cell.forbidden) {
        for (const QString& message : log)
            QVERIFY2(!message.startsWith(start), qPrintable(message));
    }
    for (const auto& [message, times] : cell.counts)
        QCOMPARE(log.count(message), times);
    if (cell.disconnect.isSet()) {
        // Once the operator has disconnected, nothing opens the port again.
        const QStringList after = log.mid(log.indexOf(Closed));
        QVERIFY2(!after.contains("Connection established."), qPrintable(log.join(" | ")));
    }
    QCOMPARE(log.last(), Closed);
    if (cell.flashWritten)
        QCOMPARE(s.flashContent(), WrittenFlash());
    else
        // A download that did not write the flash never starts the half-written application.
        QVERIFY2(log.contains(NotStarted), qPrintable(log.join(" | ")));
}

void TestFaultMatrix::finish(FaultSession& s, const Cell& cell)
{
    // The CPU share is taken over the whole cell whatever else went wrong, so a storm shows
    // as such.
    const bool dropShown =
        cell.linkDrops &&
        QTest::qWaitFor([&] { return s.linkDropped() && s.disconnectedShown(); }, EventMs);
    const bool closedByDrop = !s.portOpen();
    s.measureAtLeast(MeasuredMs);
    s.pressDisconnection();
    const bool closed = !s.portOpen();
    const bool closedShown =
        QTest::qWaitFor([&] { return s.form().Text4->text() == "Disconnected"; }, EventMs);
    const double share = s.cpuShare();
    qInfo("CPU %.1f %% of %lld ms", share * 100, static_cast<long long>(s.wallMs()));
    QVERIFY(share < 0.6);

    QCOMPARE(s.extraDisconnections(), 0);
    if (cell.linkDrops) {
        QVERIFY(dropShown);
        QCOMPARE(s.statusAtDrop(), QString("Connected"));
        qInfo("\"Disconnected\" shown %lld ms after the link dropped",
              static_cast<long long>(s.disconnectedDelayMs()));
        QVERIFY(s.disconnectedDelayMs() <= 1000);
        QVERIFY(closedByDrop);
    }
    QVERIFY(closed);
    QVERIFY(closedShown);
}

#include "support/TestMain.h"

QTEST_MAIN(TestFaultMatrix)
#include "tst_fault_matrix.moc"
