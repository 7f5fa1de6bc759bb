#include "link/Connection.h"

#include "app/shell/Logger.h"
#include "app/shell/SettingsStore.h"
#include "app/shell/WindowTimer.h"
#include "link/PortNames.h"
#include "link/QtSerialControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

namespace {
const QString kClosed = QStringLiteral("Send failed because the COM port is closed.");
const QString kGreen = QStringLiteral("#00FF00");
const QString kRed = QStringLiteral("#FF0000");

void setBackground(QWidget* w, const QString& colour)
{
    if (!w)
        return;
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, QColor(colour));
    pal.setColor(QPalette::Button, QColor(colour));
    pal.setColor(QPalette::Window, QColor(colour));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}
} // namespace

Connection::Connection(const ConnectionControls& controls, SerialControl& port, Logger& log,
                       SettingsStore& settings, QByteArray& rxBuffer, QObject* parent)
    : QObject(parent), m_c(controls), m_port(port), m_log(log), m_settings(settings),
      m_rxBuffer(rxBuffer)
{
    if (m_c.Combo1)
        connect(m_c.Combo1, &QComboBox::activated, this, &Connection::Combo1_Click);
    if (m_c.Combo2)
        connect(m_c.Combo2, &QComboBox::activated, this, &Connection::Combo2_Click);
    if (m_c.Combo3) {
        connect(m_c.Combo3, &QComboBox::activated, this, &Connection::Combo3_Change);
        connect(m_c.Combo3, &QComboBox::editTextChanged, this, &Connection::Combo3_Change);
    }
    if (m_c.Check4) {
        connect(m_c.Check4, &QCheckBox::toggled, this, &Connection::Check4_Click);
        m_c.Check4->installEventFilter(this);
    }
    if (m_c.Check7)
        connect(m_c.Check7, &QCheckBox::toggled, this, &Connection::Check7_Click);
    if (m_c.Command2)
        connect(m_c.Command2, &QPushButton::clicked, this, &Connection::Command2_Click);
    if (m_c.Command3)
        connect(m_c.Command3, &QPushButton::clicked, this, &Connection::Command3_Click);
    if (m_c.Timer1)
        connect(m_c.Timer1, &WindowTimer::Timer, this, &Connection::Timer1_Timer);
    if (m_c.Timer11)
        connect(m_c.Timer11, &WindowTimer::Timer, this, &Connection::Timer11_Timer);
    if (m_c.Timer13)
        connect(m_c.Timer13, &WindowTimer::Timer, this, &Connection::Timer13_Timer);
    if (auto* real = qobject_cast<QtSerialControl*>(&m_port))
        connect(real, &QtSerialControl::linkLost, this, &Connection::onLinkLost);
}

void Connection::OpenPort()
{
    const QString name = m_c.Combo1->currentText();
    try {
        if (m_c.Timer2)
            m_c.Timer2->setEnabled(false);
        if (m_port.PortOpen())
            m_port.setPortOpen(false);
        if (name.startsWith(QLatin1Char('/'))) {
            m_port.setDevicePath(name);
        } else {
            const PortNameResult number = ComNumberOfName(name);
            if (!number.ok)
                throw PortError{PortError::Other, number.error};
            m_port.setCommPort(number.number);
        }
        m_port.setSettings(m_c.Combo2->currentText() + QStringLiteral(",n,8,1"));
        m_port.setPortOpen(true);
        if (m_c.Timer2)
            m_c.Timer2->setEnabled(true);
        m_log.AddLog(QStringLiteral("Port ") + name + QStringLiteral(" opened."));
        m_rxBuffer.clear();
    } catch (const PortError& error) {
        m_log.AddLog(error.description);
        if (error.kind == PortError::InvalidPortNumber && m_c.Check4)
            m_c.Check4->setChecked(false);
    }
}

void Connection::ClosePort()
{
    if (m_port.PortOpen()) {
        m_port.setPortOpen(false);
        if (m_c.Timer2)
            m_c.Timer2->setEnabled(false);
    }
    m_log.AddLog(QStringLiteral("COM Port closed."));
    m_rxBuffer.clear();
}

void Connection::SendCommand(const QByteArray& bytes)
{
    if (!m_port.PortOpen()) {
        m_log.AddLog(kClosed);
        return;
    }
    if (!bytes.isEmpty())
        m_port.Output(bytes);
}

void Connection::Combo1_Click()
{
    m_settings.WriteSetting(QStringLiteral("ComPort"), m_c.Combo1->currentText());
}

void Connection::Combo2_Click()
{
    m_settings.WriteSetting(QStringLiteral("ComSpeed"), m_c.Combo2->currentText());
}

int Connection::RateMilliseconds(const QString& text)
{
    QString digits = text;
    digits.remove(QStringLiteral("ms"));
    bool ok = false;
    const double value = digits.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return -1;
    const double rounded = std::nearbyint(value);
    if (rounded < 0 || rounded > 65535)
        return -1;
    return static_cast<int>(rounded);
}

void Connection::Combo3_Change()
{
    const QString text = m_c.Combo3->currentText();
    m_settings.WriteSetting(QStringLiteral("Rate"), text);
    const int ms = RateMilliseconds(text);
    // A half-typed or impossible rate keeps the interval in force.
    if (ms >= 0 && m_c.Timer12)
        m_c.Timer12->setInterval(ms);
}

void Connection::Check4_Click()
{
    m_settings.WriteSetting(QStringLiteral("AutoPortOpen"),
                            m_c.Check4->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void Connection::Check4_MouseUp()
{
    if (m_c.Check4->isChecked() && !m_port.PortOpen())
        OpenPort();
}

bool Connection::eventFilter(QObject* watched, QEvent* event)
{
    // The box changes its state when it handles the release, after this filter: look at
    // the state once that is done.
    if (watched == m_c.Check4 && event->type() == QEvent::MouseButtonRelease)
        QMetaObject::invokeMethod(this, &Connection::Check4_MouseUp, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void Connection::Check7_Click()
{
    m_settings.WriteSetting(QStringLiteral("TrameAuto"),
                            m_c.Check7->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    m_rxBuffer.clear();
}

void Connection::Command2_Click()
{
    OpenPort();
    bool ok = false;
    const int stored = m_settings.ReadSetting(QStringLiteral("AutoPortOpen")).trimmed().toInt(&ok);
    if (ok && stored == 1 && m_c.Check4)
        m_c.Check4->setChecked(true);
}

void Connection::Command3_Click()
{
    if (m_c.Check4)
        m_c.Check4->setChecked(false);
    ClosePort();
}

void Connection::showPortState(bool open)
{
    if (m_shownState == int(open))
        return;
    m_shownState = int(open);
    const QString colour = open ? kGreen : kRed;
    setBackground(m_c.Combo1, colour);
    setBackground(m_c.Combo2, colour);
    setBackground(m_c.Combo3, colour);
    setBackground(m_c.Text4, colour);
    if (m_c.Text4)
        m_c.Text4->setText(open ? QStringLiteral("Connected") : QStringLiteral("Disconnected"));
}

void Connection::Timer1_Timer()
{
    showPortState(m_port.PortOpen());
}

void Connection::Timer11_Timer()
{
    setBackground(m_c.Text32, kRed);
    m_c.Text32->setText(QStringLiteral("No Data"));
}

void Connection::Timer13_Timer()
{
    if (m_c.Check4 && m_c.Check4->isChecked() && !m_port.PortOpen() && m_c.Check7 &&
        m_c.Check7->isChecked())
        OpenPort();
}

void Connection::onLinkLost(const QString& device, const QString& description)
{
    if (m_c.Timer2)
        m_c.Timer2->setEnabled(false);
    m_log.AddLog(QStringLiteral("Link to %1 (%2) lost: %3. Port closed.")
                     .arg(m_c.Combo1->currentText(), device, description));
}
