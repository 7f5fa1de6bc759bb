#pragma once

#include <QObject>

class PortLink;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class SettingsStore;
class WindowTimer;

// The controls of the window that the connection management works on.
struct ConnectionControls
{
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QCheckBox* Check7 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text32 = nullptr;
    WindowTimer* Timer1 = nullptr;
    WindowTimer* Timer2 = nullptr;
    WindowTimer* Timer11 = nullptr;
    WindowTimer* Timer12 = nullptr;
    WindowTimer* Timer13 = nullptr;
};

// The connection frame of the window over the port link: the stored connection choices, the
// status shown on the window, the "No Data" watchdog and automatic reconnection.
class ConnectionPanel : public QObject
{
    Q_OBJECT
public:
    ConnectionPanel(const ConnectionControls& controls, PortLink& link, SettingsStore& settings,
                    QObject* parent = nullptr);

    // Opens the port chosen in Combo1 at the speed of Combo2; the receive timer runs while it
    // is open. A name that is no port unchecks "Automatic Connection", unless it is the port
    // whose link was lost: that one is tried again until it comes back.
    void OpenPort();
    void ClosePort();

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
    void Timer11_Timer();
    void Timer13_Timer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchListChoices(QComboBox* combo);
    void noteListEvent(QObject* watched, QEvent* event);
    void storeListChoice(QComboBox* combo, const QString& key);
    void onLinkLost();
    void showPortState(bool open);
    bool portOpen() const;

    ConnectionControls m_c;
    PortLink& m_link;
    SettingsStore& m_settings;
    int m_shownState = -1;
    // The name of the port whose link was lost, until it opens again or is closed.
    QString m_lostPort;
    // The port or speed box whose list the user is choosing from (its popup, an arrow key,
    // the wheel), until the next key, click or focus change in that box.
    QComboBox* m_choosingIn = nullptr;
};
