#include "app/DataStatus.h"

#include "core/WindowTimer.h"

#include <QColor>
#include <QLineEdit>
#include <QPalette>

DataStatus::DataStatus(QLineEdit* text32, WindowTimer* timer11, QObject* parent)
    : QObject(parent), m_box(text32), m_watchdog(timer11)
{
    connect(m_watchdog, &WindowTimer::Timer, this, &DataStatus::Timer11_Timer);
}

void DataStatus::frameSeen()
{
    if (!m_replaying)
        m_watchdog->restart();
    show(m_replaying ? QStringLiteral("Replay") : QStringLiteral("Data OK"), QColor(0, 255, 0));
}

void DataStatus::setReplaying(bool replaying)
{
    if (replaying == m_replaying)
        return;
    m_replaying = replaying;
    // A paused replay is not a silent board: the watchdog waits for live frames again.
    m_watchdog->setEnabled(!replaying);
    if (replaying)
        frameSeen();
}

void DataStatus::Timer11_Timer()
{
    show(QStringLiteral("No Data"), QColor(255, 0, 0));
}

void DataStatus::show(const QString& text, const QColor& colour)
{
    if (m_box->text() != text)
        m_box->setText(text);
    // Per frame only the comparison: setting a palette lays the box out again.
    if (m_box->palette().color(QPalette::Base) == colour && m_box->autoFillBackground())
        return;
    QPalette pal = m_box->palette();
    pal.setColor(QPalette::Base, colour);
    pal.setColor(QPalette::Button, colour);
    pal.setColor(QPalette::Window, colour);
    m_box->setPalette(pal);
    m_box->setAutoFillBackground(true);
}
