#include "support/Bytes.h"
#include "support/StartBoard.h"

#include <QTest>

#include <tuple>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Sets the line speed of the pseudo-terminal as a program's serial layer does: through a
// descriptor of its own, on the settings both ends share.
bool setSpeed(const QString& path, speed_t speed)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    termios tio{};
    const bool ok = tcgetattr(fd, &tio) == 0 && cfsetispeed(&tio, speed) == 0 &&
                    cfsetospeed(&tio, speed) == 0 && tcsetattr(fd, TCSANOW, &tio) == 0;
    ::close(fd);
    return ok;
}

QByteArray writeCommand(int index, float value)
{
    return QByteArray("!") + char(index / 256) + char(index % 256) + floatBytes(value);
}

} // namespace

// The virtual board's link options: a board heard at one speed only, replies held as an FTDI
// adapter's latency timer holds them, and an erase that takes the constants with it.
class TestBoardLink : public QObject
{
    Q_OBJECT
private slots:
    void answersAtItsSpeedOnly()
    {
        START_BOARD(board, "--speed", "57600");
        QVERIFY(setSpeed(board.portPath(), B115200));
        QCOMPARE(board.ask("F", 74, 500), QByteArray());
        QVERIFY(setSpeed(board.portPath(), B57600));
        QCOMPARE(board.ask("F", 74).left(2), QByteArray("\x46\x12", 2));
        // A speed that has no B constant of its own is read as a number too.
        START_BOARD(odd, "--speed", "28800");
        QVERIFY(setSpeed(odd.portPath(), B38400));
        QCOMPARE(odd.ask("F", 74, 500), QByteArray());
    }

    // A reply longer than a packet: its first 62 bytes at once, the rest after the timer.
    void latencyTimerHoldsTheRest()
    {
        START_BOARD(board, "--latency", "1500");
        board.write("F");
        QCOMPARE(board.read(62, 1000).size(), 62);
        QCOMPARE(board.readFor(300), QByteArray());
        QCOMPARE(board.read(12, 3000).size(), 12);
    }

    // Entry 2 written, then an erase: kept by a board without the option, reset to its
    // default (1) with it.
    void eraseTakesTheConstants()
    {
        const auto entry2AfterErase = [](BoardProcess& board) {
            board.write(writeCommand(2, 0.25f));
            const float before = floatAt(board.ask("[", 125), 13);
            board.write("G");
            const bool erased = board.ask("+E", 2, 1000) == "+E";
            const bool running = board.ask("+R", 2, 1000) == "+R";
            return std::tuple{before, erased && running, floatAt(board.ask("[", 125), 13)};
        };
        START_BOARD(keeping);
        QCOMPARE(entry2AfterErase(keeping), std::tuple(0.25f, true, 0.25f));
        START_BOARD(erasing, "--erase-constants");
        QCOMPARE(entry2AfterErase(erasing), std::tuple(0.25f, true, 1.0f));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestBoardLink)
#include "tst_BoardLink.moc"
