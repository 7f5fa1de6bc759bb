#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class BoardSession;
class Logger;
class QAction;
class QWidget;
class ReplayWindow;
class Replayer;

// File > Replay... (Ctrl+O): plays a recording into the board session, which cuts and decodes
// it as the port's bytes, in the "Replay" window. Meanwhile the session does not poll the board
// nor show what it sends; closing the replay window returns it to live data.
class ReplayControl : public QObject
{
    Q_OBJECT
public:
    // Asks for the recording to open; "" when cancelled.
    using ChooseFile = std::function<QString()>;

    struct Parts
    {
        QAction* action;
        BoardSession& session;
        Logger& log;
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
    void leaveReplay();

    Parts m_p;
    ChooseFile m_choose;
    std::unique_ptr<Replayer> m_replayer;
    QPointer<ReplayWindow> m_window;
};
