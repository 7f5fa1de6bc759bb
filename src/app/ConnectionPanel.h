#pragma once

#include "link/AdapterPorts.h"

#include <QObject>

#include <functional>

class BoardSession;
class Form1;
class QComboBox;
class SettingsStore;

// The connection frame of the window over the board session: the stored connection choices,
// the port state shown on the window and automatic reconnection. It works on Form1's Combo1 to
// Combo3, Check4, Check7, Command2, Command3, Text4 and the timers Timer1, Timer12 (its
// interval) and Timer13.
class ConnectionPanel : public QObject
{
    Q_OBJECT
public:
    ConnectionPanel(Form1& form, BoardSession& session, SettingsStore& settings,
                    QObject* parent = nullptr);

    // Opens the port chosen in Combo1 at the speed of Combo2; the session's receiver reads it
    // while it is open. A name that is no port unchecks "Automatic Connection", unless it is the
    // port whose link was lost: that one is tried again until it comes back.
    void OpenPort();
    void ClosePort();
    // Where the ports present and their adapters come from: a port chosen in the list is
    // remembered with its adapter ("ComAdapter"), and the stored port follows that adapter
    // to another name when it comes back under one.
    void setAdapters(std::function<QList<AdapterPort>()> adapters)
    {
        m_adapters = std::move(adapters);
    }

    // Event handlers, connected to their controls and timers by the constructor.
    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Change();
    void Check4_Click();
    void Check4_MouseUp();
    void Check7_Click();
    void Command2_Click();
    void Command3_Click();
    void Timer1_Timer();
    void Timer13_Timer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchListChoices(QComboBox* combo);
    void noteListEvent(QObject* watched, QEvent* event);
    void storeListChoice(QComboBox* combo, const QString& key);
    void onLinkLost();
    void showPortState(bool open);
    // The stored port, or the name its remembered adapter now has.
    QString followAdapter(const QString& name);
    bool portOpen() const;

    Form1& m_c;
    BoardSession& m_session;
    SettingsStore& m_settings;
    int m_shownState = -1;
    // The name of the port whose link was lost, until it opens again or is closed.
    QString m_lostPort;
    // The port or speed box whose list the user is choosing from (its popup, an arrow key,
    // the wheel), until the next key, click or focus change in that box.
    QComboBox* m_choosingIn = nullptr;
    std::function<QList<AdapterPort>()> m_adapters;
};
