#include "Board.h"

#include "LatencyHold.h"
#include "LineSpeed.h"
#include "PseudoTerminal.h"
#include "WireChannel.h"

#include <cstdio>

namespace {

// How long a dropped link waits for the program to read what was already sent, and for the
// board's own output to go out at all.
constexpr int DrainLimitMs = 2000;
// Written bytes reach the reader's queue a little later, so it is not trusted to be empty
// before this time has passed.
constexpr int SettleMs = 50;
constexpr int OutputLimitMs = 30000;
constexpr int DrainPollMs = 5;

} // namespace

Board::Board(const Options& options, PseudoTerminal& pty, QObject* parent)
    : QObject(parent), m_options(options), m_pty(pty),
      m_wire(new WireChannel(pty, options.baud, options.readerBacklog, this)),
      m_hold(new LatencyHold(*m_wire, options.latencyMs, this)), m_application(options),
      m_flash(options.flashOut), m_bootloader(options, m_flash)
{
    m_clock.start();
    if (!options.recordPath.isEmpty()) {
        m_record.setFileName(options.recordPath);
        if (!m_record.open(QIODevice::WriteOnly | QIODevice::Append))
            std::fprintf(stderr, "board-sim: cannot open %s for recording\n",
                         qPrintable(options.recordPath));
    }
    // A flash file left by an earlier run must not pass for this board's flash.
    m_flash.writeFile();

    m_streamTimer.setTimerType(Qt::PreciseTimer);
    m_streamTimer.setInterval(options.streamMs);
    m_bootWindow.setSingleShot(true);
    m_bootWindow.setInterval(BootWindowMs);
    m_drainTimer.setInterval(DrainPollMs);

    connect(m_wire, &WireChannel::received, this, &Board::onReceived);
    connect(m_wire, &WireChannel::lost, this, [this] {
        m_flash.writeFile();
        emit finished(0);
    });
    connect(&m_streamTimer, &QTimer::timeout, this, &Board::onStreamTick);
    connect(&m_bootWindow, &QTimer::timeout, this, &Board::enterApplication);
    connect(&m_drainTimer, &QTimer::timeout, this, &Board::onDrainTick);
}

Board::~Board() = default;

double Board::now() const
{
    return static_cast<double>(m_clock.nsecsElapsed()) / 1e9;
}

void Board::terminate()
{
    m_flash.writeFile();
    emit finished(0);
}

void Board::onReceived(const QByteArray& bytes)
{
    if (m_record.isOpen()) {
        m_record.write(bytes);
        m_record.flush();
    }
    if (m_options.silent && m_application.faulty())
        return;
    // At another speed the board's receiver makes nothing of the bytes.
    if (m_options.onlySpeed && LineSpeedOf(m_pty.masterFd()) != *m_options.onlySpeed)
        return;
    for (char byte : bytes) {
        if (m_dropping)
            return;
        if (m_mode == Mode::Application) {
            if (const auto command = m_appParser.feed(byte))
                handleApplication(*command);
            continue;
        }
        const auto command = m_bootParser.feed(byte);
        if (m_bootParser.sawCommandStart())
            m_bootWindow.stop();
        if (command)
            handleBootloader(*command);
    }
}

void Board::handleApplication(const AppCommand& command)
{
    const Application::Outcome outcome = m_application.handle(command, now());
    if (outcome.delayMs > 0) {
        // Each answer on its own clock, as a board that is slow to answer: answers do not
        // queue up behind one another.
        QTimer::singleShot(outcome.delayMs, this,
                           [this, output = outcome.output] { send(output); });
    } else {
        send(outcome.output);
    }
    if (outcome.toggleStream) {
        if (m_streamTimer.isActive())
            m_streamTimer.stop();
        else
            m_streamTimer.start();
    }
    if (outcome.reset) {
        // The application stops; the bootloader waits briefly for a command of its own.
        m_streamTimer.stop();
        m_application.restart();
        m_mode = Mode::Bootloader;
        m_bootParser.reset();
        m_bootWindow.start();
    }
}

void Board::handleBootloader(const BootCommand& command)
{
    const Bootloader::Outcome outcome = m_bootloader.handle(command);
    if (command.type == BootCommand::Type::Erase && m_options.eraseConstants)
        m_application.resetConstants();
    sendReply(outcome.reply);
    if (outcome.drop) {
        dropLink();
        return;
    }
    if (outcome.run)
        enterApplication();
}

void Board::enterApplication()
{
    m_bootWindow.stop();
    m_mode = Mode::Application;
    m_appParser.reset();
}

void Board::onStreamTick()
{
    if (m_options.silent && m_application.faulty())
        return;
    send(m_application.measurement(now()));
}

void Board::send(const Chunks& chunks)
{
    for (const Chunk& chunk : chunks) {
        if (m_dropping)
            return;
        m_hold->send(chunk.bytes, chunk.gapMs);
        if (!chunk.endsFrame)
            continue;
        ++m_framesSent;
        if (m_framesSent == m_options.faultAfter)
            m_application.startFaults();
        if (m_options.dropAfter && m_framesSent >= *m_options.dropAfter)
            dropLink();
    }
}

void Board::sendReply(const QByteArray& bytes)
{
    if (!m_dropping)
        m_hold->send(bytes);
}

void Board::dropLink()
{
    // Nothing more is heard or said; the link closes once the program has read what was
    // sent (closing the master earlier would throw those bytes away).
    m_dropping = true;
    m_streamTimer.stop();
    m_bootWindow.stop();
    m_wire->stopReading();
    m_dropClock.start();
    m_drainClock.start();
    m_drainTimer.start();
    onDrainTick();
}

void Board::onDrainTick()
{
    // The reader's time starts once everything has been written.
    if (!m_wire->outputIdle() || !m_hold->idle()) {
        m_drainClock.start();
        if (!m_dropClock.hasExpired(OutputLimitMs))
            return;
    }
    if (!m_drainClock.hasExpired(SettleMs))
        return;
    if (m_pty.unreadBySlave() > 0 && !m_drainClock.hasExpired(DrainLimitMs))
        return;
    m_drainTimer.stop();
    m_flash.writeFile();
    m_pty.closeMaster();
    emit finished(0);
}
