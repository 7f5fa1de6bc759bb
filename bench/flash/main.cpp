// Firmware download figures:
//  (a) host time per row against the virtual board at full pseudo-terminal speed,
//  (b) a whole download with the board emulating a 115200 Bd line, against the time the
//      bytes need on the wire.
// The load and check of a large HEX file is bench_hex_load's figure.

#include "common/Figures.h"
#include "core/Logger.h"
#include "core/WindowTimer.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareUpdater.h"
#include "firmware/FlashProgress.h"
#include "firmware/RowPackets.h"
#include "link/QtSerialControl.h"
#include "support/BoardProcess.h"
#include "support/HexLines.h"
#include "support/LinkOver.h"
#include "support/MemoryLogger.h"
#include "support/TimerHandover.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The progress bar's calls tell when the programming started (its first clear) and when the
// last row was done (its last show), without the closing pause.
class RowClock : public FlashProgress
{
public:
    void clear() override
    {
        if (!m_clock.isValid())
            m_clock.start();
    }
    void show(double, double) override { m_lastRowNs = m_clock.nsecsElapsed(); }
    double rowsSeconds() const { return double(m_lastRowNs) / 1e9; }

private:
    QElapsedTimer m_clock;
    qint64 m_lastRowNs = 0;
};

// The bootloader side of the program wired to one port, as the window wires it.
struct Session
{
    MemoryLogger log;
    LinkOver<QtSerialControl> link{log};
    WindowTimer timer2{QStringLiteral("Timer2"), 1, false};
    WindowTimer timer12{QStringLiteral("Timer12"), 33, false};
    TimerHandover handover{timer2, timer12};
    RowClock progress;
    QString path;
    FirmwareUpdater updater{
        FirmwareUpdater::Parts{link, log, progress, handover, [this] { return path; }}};
    Bootloader& boot = updater.boot;
    FlashProgrammer& programmer = updater.programmer;

    explicit Session(const QString& device, QString firmwarePath = QString())
        : path(std::move(firmwarePath))
    {
        link.port.setDevicePath(device);
        link.port.setSettings(QStringLiteral("115200,n,8,1"));
    }
};

double CpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

bool RowTiming(const QString& boardSim, const FirmwareImage& image)
{
    BoardProcess board;
    if (!board.start({}, BoardProcess::NoOption, boardSim)) {
        std::printf("(a) %s\n", qPrintable(board.error()));
        return false;
    }
    Session session(board.portPath());
    // Into the bootloader and erased, as the download does before programming.
    session.boot.ResetDevice();
    session.boot.CheckBootloaderVersion();
    session.boot.EraseFlash();
    if (!session.log.lines.contains(QStringLiteral("Flash Erased successfully."))) {
        std::printf("(a) the board did not erase: %s\n",
                    qPrintable(session.log.lines.join(QLatin1String(" / "))));
        return false;
    }
    const std::size_t rows = RowsToSend(image.LowestAddress, image.EndIndex).size();
    const double cpu0 = CpuSeconds();
    const bool ok = session.programmer.ProgramFlash(image).programmed;
    const double cpu = CpuSeconds() - cpu0;
    const double seconds = session.progress.rowsSeconds();
    std::printf("(a) %zu rows at full pty speed: %s, %.3f s: %.3f ms per row round trip "
                "(target <= 0.5 ms); host CPU %.3f ms per row\n",
                rows, ok ? "programmed" : "FAILED", seconds, seconds * 1000 / double(rows),
                cpu * 1000 / double(rows));
    return ok;
}

bool DownloadAtBaud(const QString& boardSim, int baud, const QString& firmwarePath,
                    const FirmwareImage& image)
{
    BoardProcess board;
    if (!board.start({QStringLiteral("--baud"), QString::number(baud)}, BoardProcess::NoOption,
                     boardSim)) {
        std::printf("(b) %s\n", qPrintable(board.error()));
        return false;
    }
    Session session(board.portPath(), firmwarePath);
    FirmwareDownload& download = session.updater.download;
    const std::size_t rows = RowsToSend(image.LowestAddress, image.EndIndex).size();
    QElapsedTimer wall;
    wall.start();
    download.run();
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    // Bytes each way: "G", "+V"/"+V"c, "+E"/"+E", rows 197/5, "+R"/"+R"; 10 bits a byte.
    const double hostBytes = 1 + 2 + 2 + 197.0 * double(rows) + 2;
    const double boardBytes = 3 + 2 + 5.0 * double(rows) + 2;
    const double wire = (hostBytes + boardBytes) * 10 / baud;
    // The download's own pauses: 500 ms, the reset's 100 ms, 500 ms, the programming's
    // closing 100 ms and the final 500 ms.
    const double pauses = 0.5 + 0.1 + 0.5 + 0.1 + 0.5;
    const bool ok =
        session.log.lines.contains(QStringLiteral("Application Launched.")) &&
        !session.log.lines.contains(QStringLiteral("Programmation failed.")) &&
        !session.log.lines.filter(QStringLiteral("Flash Memory Programmed in")).isEmpty();
    std::printf("(b) download of %zu rows at %d Bd: %s, %.2f s; wire-time bound %.2f s; "
                "ratio %.3f (target <= 1.05); %.3f without the %.1f s of fixed pauses\n",
                rows, baud, ok ? "complete" : "FAILED", seconds, wire, seconds / wire,
                (seconds - pauses) / wire, pauses);
    const double rowWire = (197.0 + 5.0) * 10 / baud;
    const double rowSeconds = session.progress.rowsSeconds() / double(rows);
    std::printf(
        "(b) programming alone: %.2f ms per row against %.2f ms of wire time (ratio %.3f)\n",
        rowSeconds * 1000, rowWire * 1000, rowSeconds / rowWire);
    if (!ok)
        std::printf("(b) log: %s\n", qPrintable(session.log.lines.join(QLatin1String(" / "))));
    return ok;
}

// The pseudo-terminal of the board driven without the program: raw writes and sleeping reads.
class BarePort
{
public:
    explicit BarePort(const QString& path) : m_fd(::open(qPrintable(path), O_RDWR | O_NOCTTY))
    {
        termios mode{};
        if (m_fd >= 0 && tcgetattr(m_fd, &mode) == 0) {
            cfmakeraw(&mode);
            tcsetattr(m_fd, TCSANOW, &mode);
        }
    }
    ~BarePort()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }
    bool write(const QByteArray& bytes) const
    {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    // The next count bytes, or fewer when none come for timeoutMs.
    QByteArray read(int count, int timeoutMs) const
    {
        QByteArray bytes;
        while (bytes.size() < count) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                break;
            char buffer[256];
            const ssize_t got =
                ::read(m_fd, buffer, std::min<size_t>(sizeof buffer, size_t(count - bytes.size())));
            if (got <= 0)
                break;
            bytes.append(buffer, got);
        }
        return bytes;
    }

private:
    int m_fd;
};

// The same rows at the same baud rate without the program: what the virtual board's emulation
// of the line costs by itself.
bool BareRows(const QString& boardSim, int baud, const FirmwareImage& image)
{
    BoardProcess board;
    if (!board.start({QStringLiteral("--baud"), QString::number(baud)}, BoardProcess::NoOption,
                     boardSim)) {
        std::printf("(b) %s\n", qPrintable(board.error()));
        return false;
    }
    BarePort port(board.portPath());
    if (!port.ok() || !port.write("G")) {
        std::printf("(b) cannot open %s\n", qPrintable(board.portPath()));
        return false;
    }
    ::usleep(100000);
    port.write("+E");
    if (port.read(2, 5000) != "+E") {
        std::printf("(b) the board did not erase for the bare client\n");
        return false;
    }
    const std::vector<int> rows = RowsToSend(image.LowestAddress, image.EndIndex);
    QElapsedTimer wall;
    wall.start();
    for (int rowStart : rows) {
        const QByteArray packet = RowPacket(image.FlashImage, rowStart);
        if (!port.write(packet) || port.read(5, 5000) != "+P" + packet.mid(2, 3)) {
            std::printf("(b) row %d was not acknowledged to the bare client\n", rowStart);
            return false;
        }
    }
    const double rowSeconds = double(wall.nsecsElapsed()) / 1e9 / double(rows.size());
    const double rowWire = (197.0 + 5.0) * 10 / baud;
    std::printf("(b) the virtual board alone (a bare client writing rows and reading each "
                "acknowledgement): %.2f ms per row (ratio %.3f)\n",
                rowSeconds * 1000, rowSeconds / rowWire);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Firmware download figures: (a) host time per row at full pty speed, (b) a whole\n"
        "download at an emulated baud rate against its wire time. Loading a large HEX file:\n"
        "bench_hex_load. Long run: --instructions 200000");
    parser.addHelpOption();
    parser.addOptions({
        {"instructions", "Instructions in the firmware file of (a) and (b) (default 44000).", "n",
         "44000"},
        {"baud", "Rate the board emulates in (b) (default 115200).", "rate", "115200"},
        {"board-sim", "The virtual board (default: board-sim next to this benchmark).", "path",
         BuiltProgram(QStringLiteral("board-sim"))},
    });
    parser.process(app);
    const int instructions = parser.value("instructions").toInt();
    const int baud = parser.value("baud").toInt();
    const QString boardSim = parser.value("board-sim");
    if (instructions <= 0 || baud <= 0) {
        std::fprintf(stderr, "bench_flash: the lengths need positive numbers\n");
        return 2;
    }
    PrintCommand({QCoreApplication::applicationFilePath(), "--instructions",
                  QString::number(instructions), "--baud", QString::number(baud), "--board-sim",
                  boardSim});

    QTemporaryDir dir;
    const QString firmwarePath = dir.filePath(QStringLiteral("bench.kfw"));
    QFile file(firmwarePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(FirmwareText(instructions)) < 0) {
        std::printf("cannot write %s\n", qPrintable(firmwarePath));
        return 1;
    }
    file.close();
    const FirmwareLoad load = LoadFirmwareFile(firmwarePath);
    if (!load.ok) {
        std::printf("the %d-instruction file was refused: line %d: %s\n", instructions,
                    load.errorLine, qPrintable(load.reason));
        return 1;
    }
    const bool rowsOk = RowTiming(boardSim, load.image);
    const bool downloadOk = DownloadAtBaud(boardSim, baud, firmwarePath, load.image);
    const bool bareOk = BareRows(boardSim, baud, load.image);
    return rowsOk && downloadOk && bareOk ? 0 : 1;
}
