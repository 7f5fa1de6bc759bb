#pragma once

#include "support/AppRig.h"
#include "support/BoardProcess.h"

#include "app/ConnectionPanel.h"
#include "app/Form1.h"
#include "link/PortLink.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <functional>
#include <vector>

// A moment of a run: delayMs after the log first shows the message afterMessage, or after
// arming when afterMessage is empty. A negative delay never comes.
struct Moment
{
    QString afterMessage = {};
    int delayMs = -1;
    bool isSet() const { return delayMs >= 0; }
};

// CPU time of this whole process (every thread), in seconds.
inline double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The program and the virtual board on a pseudo-terminal, connected with "Connection". A
// watcher, ticking inside every wait of the program, plays the moments of a fault (the board
// killed, the operator pressing "Disconnection") and notes what the operator saw and when.
class FaultSession
{
public:
    explicit FaultSession(const QStringList& boardOptions)
        : m_board(boardOptions + QStringList{"--flash-out", flashFile()})
    {
        m_clock.start();
        m_rig.app->Load();
        form().Combo1->setEditText(m_board.portPath());
        form().Command2->click();
        m_watcher.setInterval(10);
        QObject::connect(&m_watcher, &QTimer::timeout, [this] { poll(); });
        m_watcher.start();
        // "Disconnected" is timed when the box changes, not when the watcher next looks.
        QObject::connect(form().Text4, &QLineEdit::textChanged, [this](const QString& text) {
            if (m_dropAt >= 0 && m_shownAt < 0 && text == "Disconnected")
                m_shownAt = m_clock.elapsed();
        });
    }

    Form1& form() { return m_rig.form(); }
    QString portPath() const { return m_board.portPath(); }
    bool portOpen() { return m_rig.app->link().M().PortOpen(); }
    QString flashFile() const { return m_dir.filePath(QStringLiteral("flash.txt")); }
    QByteArray flashContent() const
    {
        QFile file(flashFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The log's messages without their time stamps ("2020.10.07 - 14.05.09 : ").
    QStringList messages()
    {
        QStringList out;
        for (const QString& line : m_rig.logLines())
            out << line.mid(24);
        return out;
    }

    // The link goes down the way an unplugged board does: the peer of the pseudo-terminal
    // ends.
    void killBoardAt(const Moment& moment)
    {
        arm(moment, [this] {
            // The link goes down when the board has ended, which kill() waits for: a loaded
            // machine, or a sanitized board checking for leaks, can take seconds over it.
            const QString status = form().Text4->text();
            m_board.kill();
            noteDrop(status);
        });
    }
    void disconnectAt(const Moment& moment)
    {
        arm(moment, [this] { pressDisconnection(); });
    }

    // Clicks a button whose handler may wait for the board (the download). While it has not
    // returned some seconds after a press of "Disconnection", the operator presses it again;
    // those presses are counted: each one is a wait that "Disconnection" did not end.
    void clickAndWait(QPushButton* button)
    {
        m_busy = true;
        m_busySince = m_clock.elapsed();
        button->click();
        m_busy = false;
    }
    int extraDisconnections() const { return m_extraPresses; }
    void pressDisconnection()
    {
        m_lastPressAt = m_clock.elapsed();
        form().Command3->click();
    }

    void startMeasuring()
    {
        m_cpuStart = ProcessCpuSeconds();
        m_wallStart = m_clock.elapsed();
    }
    qint64 wallMs() const { return m_clock.elapsed() - m_wallStart; }
    // Keeps the program running until the measured stretch has lasted this long. A cell can
    // be over in a millisecond (a reply already there when first looked for), and a share of
    // one millisecond's CPU says nothing about a storm.
    void measureAtLeast(int ms)
    {
        const qint64 left = ms - wallMs();
        if (left > 0)
            QTest::qWait(int(left));
    }
    double cpuShare() const
    {
        const double wall = double(wallMs()) / 1000.0;
        return wall > 0 ? (ProcessCpuSeconds() - m_cpuStart) / wall : 0.0;
    }

    // The link went down (-1 while it is up), and "Disconnected" was first seen after that.
    bool linkDropped() const { return m_dropAt >= 0; }
    bool disconnectedShown() const { return m_shownAt >= 0; }
    qint64 disconnectedDelayMs() const { return m_shownAt - m_dropAt; }
    // What the status box said when the link went down.
    QString statusAtDrop() const { return m_statusAtDrop; }

private:
    struct Action
    {
        Moment moment;
        std::function<void()> run;
        qint64 seenAt = -1;
        bool done = false;
    };

    // A wait that "Disconnection" did not end runs to its reply deadline (10 s); anything
    // shorter than that is only a slow machine.
    static constexpr qint64 StuckAfterPressMs = 8000;
    static constexpr qint64 StuckWithoutPressMs = 90000;

    void arm(const Moment& moment, std::function<void()> run)
    {
        if (!moment.isSet())
            return;
        Action action{moment, std::move(run)};
        if (moment.afterMessage.isEmpty())
            action.seenAt = m_clock.elapsed();
        m_actions.push_back(std::move(action));
    }

    static bool LogsLoss(const QStringList& log)
    {
        return std::any_of(log.begin(), log.end(), [](const QString& line) {
            return line.startsWith(QLatin1String("Link to ")) &&
                   line.contains(QLatin1String(" lost: "));
        });
    }

    void noteDrop(const QString& status)
    {
        if (m_dropAt >= 0)
            return;
        m_dropAt = m_clock.elapsed();
        m_statusAtDrop = status;
    }

    void poll()
    {
        // A board that ends by itself is seen here only once its exit has been reaped, which
        // can come long after it let go of the link (a sanitized board checks for leaks first).
        // By then the program may have logged the loss and closed the port: what the box said
        // before the drop is what this watcher saw last before the loss was logged.
        const QString status = form().Text4->text();
        const QStringList log = messages();
        if (!m_board.running())
            noteDrop(m_statusBeforeLoss);
        if (!LogsLoss(log))
            m_statusBeforeLoss = status;
        const qint64 now = m_clock.elapsed();
        if (m_dropAt >= 0 && m_shownAt < 0 && status == "Disconnected")
            m_shownAt = now;

        for (Action& action : m_actions) {
            if (action.done)
                continue;
            if (action.seenAt < 0 && log.contains(action.moment.afterMessage))
                action.seenAt = now;
            if (action.seenAt >= 0 && now - action.seenAt >= action.moment.delayMs) {
                action.done = true;
                action.run();
            }
        }

        if (!m_busy)
            return;
        const bool pressed = m_lastPressAt >= m_busySince;
        const qint64 since = pressed ? m_lastPressAt : m_busySince;
        if (now - since > (pressed ? StuckAfterPressMs : StuckWithoutPressMs)) {
            ++m_extraPresses;
            pressDisconnection();
        }
    }

    QTemporaryDir m_dir;
    BoardProcess m_board;
    AppRig m_rig;
    QElapsedTimer m_clock;
    std::vector<Action> m_actions;

    bool m_busy = false;
    qint64 m_busySince = -1;
    qint64 m_lastPressAt = -1;
    int m_extraPresses = 0;

    qint64 m_dropAt = -1;
    qint64 m_shownAt = -1;
    QString m_statusAtDrop;
    QString m_statusBeforeLoss;

    double m_cpuStart = 0;
    qint64 m_wallStart = 0;

    QTimer m_watcher;
};
