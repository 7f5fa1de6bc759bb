#pragma once

#include "link/Link.h"

#include <QObject>

class Logger;
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

// Owns the port: opening and closing it, the stored connection choices, the status shown on
// the window, the "No Data" watchdog and automatic reconnection.
class Connection : public QObject, public Link
{
    Q_OBJECT
public:
    Connection(const ConnectionControls& controls, SerialControl& port, Logger& log,
               SettingsStore& settings, QByteArray& rxBuffer, QObject* parent = nullptr);

    void OpenPort();
    void ClosePort();
    void SendCommand(const QByteArray& bytes) override;
    SerialControl& M() override { return m_port; }

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

    // The rate text as milliseconds: "ms" removed, a whole number 0..65535 (a fraction is
    // rounded half to even); -1 when the text is no such number.
    static int RateMilliseconds(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onLinkLost(const QString& device, const QString& description);
    void showPortState(bool open);

    ConnectionControls m_c;
    SerialControl& m_port;
    Logger& m_log;
    SettingsStore& m_settings;
    QByteArray& m_rxBuffer;
    int m_shownState = -1;
};
