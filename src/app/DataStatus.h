#pragma once

#include <QObject>

class QLineEdit;
class WindowTimer;

// The frame status box (Text32) and its "No Data" watchdog (Timer11), kept by this one owner:
// every measurement frame restarts the watchdog and shows "Data OK" on green; a second without
// one shows "No Data" on red. While a recording is replayed the box says "Replay" on green and
// the watchdog is off.
class DataStatus : public QObject
{
    Q_OBJECT
public:
    DataStatus(QLineEdit* text32, WindowTimer* timer11, QObject* parent = nullptr);

    // The frame-seen steps of a measurement frame.
    void frameSeen();
    void setReplaying(bool replaying);
    // The watchdog's tick.
    void Timer11_Timer();

private:
    void show(const QString& text, const QColor& colour);

    QLineEdit* m_box;
    WindowTimer* m_watchdog;
    bool m_replaying = false;
};
