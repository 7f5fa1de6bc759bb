#pragma once

#include "AppCommandParser.h"
#include "Application.h"
#include "BootCommandParser.h"
#include "Bootloader.h"
#include "FlashModel.h"
#include "Options.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>

class LatencyHold;
class PseudoTerminal;
class WireChannel;

// The whole board on one line: routes received bytes to the application or the bootloader,
// runs the frame stream and the bootloader's time-out, and ends the link when a fault option
// says so. finished(code) asks the caller to end the process.
class Board : public QObject
{
    Q_OBJECT
public:
    // After "G" the bootloader returns to the application unless a command starts this soon.
    static constexpr int BootWindowMs = 2000;

    Board(const Options& options, PseudoTerminal& pty, QObject* parent = nullptr);
    ~Board() override;

    // Clean end on a termination signal: the flash file is written, then finished(0).
    void terminate();

signals:
    void finished(int exitCode);

private:
    enum class Mode
    {
        Application,
        Bootloader
    };

    void onReceived(const QByteArray& bytes);
    void handleApplication(const AppCommand& command);
    void handleBootloader(const BootCommand& command);
    void enterApplication();
    void onStreamTick();
    void send(const Chunks& chunks);
    void sendReply(const QByteArray& bytes);
    void dropLink();
    void onDrainTick();
    double now() const;

    const Options& m_options;
    PseudoTerminal& m_pty;
    WireChannel* m_wire;
    LatencyHold* m_hold;
    QElapsedTimer m_clock;
    QFile m_record;

    Mode m_mode = Mode::Application;
    AppCommandParser m_appParser;
    BootCommandParser m_bootParser;
    Application m_application;
    FlashModel m_flash;
    Bootloader m_bootloader;

    QTimer m_streamTimer;
    QTimer m_bootWindow;
    int m_framesSent = 0;

    bool m_dropping = false;
    QTimer m_drainTimer;
    QElapsedTimer m_dropClock;
    QElapsedTimer m_drainClock;
};
