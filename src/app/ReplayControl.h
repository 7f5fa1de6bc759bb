#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class FrameHandler;
class Logger;
class QAction;
class QWidget;
class ReplayWindow;
class Replayer;
class ReceiveBuffer;
class SerialControl;
class WindowTimer;
class WindowViews;

// File > Replay... (Ctrl+O): plays a recording through the same decoding and views as live
// frames, in the "Replay" window. Meanwhile the board is not polled and what it sends is not
// shown; closing the replay window returns to live data.
class ReplayControl : public QObject
{
    Q_OBJECT
public:
    // Asks for the recording to open; "" when cancelled.
    using ChooseFile = std::function<QString()>;

    struct Parts
    {
        QAction* action;
        FrameHandler& decode;
        WindowViews& views;
        Logger& log;
        // The live side: the receive switch, the data request, the port and its buffer.
        WindowTimer& timer2;
        WindowTimer& timer12;
        SerialControl& port;
        ReceiveBuffer& rxBuffer;
        QWidget* parentWindow;
    };

    ReplayControl(const Parts& parts, ChooseFile choose, QObject* parent = nullptr);
    ~ReplayControl() override;

    // Opens a recording (asking for it) and starts playing it; a refused file is one log line.
    void open();
    void openFile(const QString& path);
    bool isReplaying() const { return m_replayer != nullptr; }
    ReplayWindow* window() const;

private:
    void enterReplay();
    void leaveReplay();

    Parts m_p;
    ChooseFile m_choose;
    std::unique_ptr<Replayer> m_replayer;
    QPointer<ReplayWindow> m_window;
    bool m_timer2WasOn = false;
    bool m_timer12WasOn = false;
};
