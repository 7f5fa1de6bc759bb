#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class BoardSession;
class Logger;
class QAction;
class RawMirror;
class SettingsStore;
class UdpForwarder;

// Asks for a text in a box whose line edit has the focus (Enter accepts), offering the last
// one; "" when cancelled.
using AskText =
    std::function<QString(const QString& title, const QString& label, const QString& last)>;

// File > Forward Live Data... (Ctrl+U): asks for HOST:PORT and forwards every decoded frame,
// live or replayed (it listens to the session's stream), as UDP JSON until the same entry, now
// "Stop Forwarding (HOST:PORT)", is chosen again. The address is remembered in the settings file
// ("ForwardAddress").
class ForwardControl : public QObject
{
    Q_OBJECT
public:
    ForwardControl(QAction* action, BoardSession& session, Logger& log, SettingsStore& settings,
                   AskText ask, QObject* parent = nullptr);
    ~ForwardControl() override;

    void toggle();
    bool isForwarding() const;

private:
    void showState();

    QAction* m_action;
    SettingsStore& m_settings;
    AskText m_ask;
    std::unique_ptr<UdpForwarder> m_forwarder;
};

// File > Mirror Raw Stream... (Ctrl+Shift+M): asks for a link path and mirrors every byte the
// board sends (the session's received bytes, whoever read them) on a pseudo-terminal linked there,
// until the same entry, now "Stop Mirroring (PATH)", is chosen again. The path is remembered in the
// settings file ("MirrorPath").
class MirrorControl : public QObject
{
    Q_OBJECT
public:
    MirrorControl(QAction* action, BoardSession& session, Logger& log, SettingsStore& settings,
                  AskText ask, QObject* parent = nullptr);
    ~MirrorControl() override;

    void toggle();
    bool isMirroring() const;
    RawMirror& mirror() { return *m_mirror; }

private:
    void showState();

    QAction* m_action;
    SettingsStore& m_settings;
    AskText m_ask;
    std::unique_ptr<RawMirror> m_mirror;
};
