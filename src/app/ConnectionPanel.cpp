#include "app/ConnectionPanel.h"

#include "app/Form1.h"
#include "core/Logger.h"
#include "core/SettingsStore.h"
#include "core/WindowTimer.h"
#include "link/RateText.h"
#include "session/BoardSession.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kGreen = QStringLiteral("#00FF00");
const QString kRed = QStringLiteral("#FF0000");

void setBackground(QWidget* w, const QString& colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, QColor(colour));
    pal.setColor(QPalette::Button, QColor(colour));
    pal.setColor(QPalette::Window, QColor(colour));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}
} // namespace

ConnectionPanel::ConnectionPanel(Form1& form, BoardSession& session, SettingsStore& settings,
                                 QObject* parent)
    : QObject(parent), m_c(form), m_session(session), m_settings(settings)
{
    connect(m_c.Combo1, &QComboBox::activated, this, &ConnectionPanel::Combo1_Click);
    watchListChoices(m_c.Combo1);
    connect(m_c.Combo2, &QComboBox::activated, this, &ConnectionPanel::Combo2_Click);
    watchListChoices(m_c.Combo2);
    connect(m_c.Combo3, &QComboBox::activated, this, &ConnectionPanel::Combo3_Change);
    connect(m_c.Combo3, &QComboBox::editTextChanged, this, &ConnectionPanel::Combo3_Change);
    connect(m_c.Check4, &QCheckBox::toggled, this, &ConnectionPanel::Check4_Click);
    m_c.Check4->installEventFilter(this);
    connect(m_c.Check7, &QCheckBox::toggled, this, &ConnectionPanel::Check7_Click);
    connect(m_c.Command2, &QPushButton::clicked, this, &ConnectionPanel::Command2_Click);
    connect(m_c.Command3, &QPushButton::clicked, this, &ConnectionPanel::Command3_Click);
    connect(m_c.Timer1, &WindowTimer::Timer, this, &ConnectionPanel::Timer1_Timer);
    connect(m_c.Timer13, &WindowTimer::Timer, this, &ConnectionPanel::Timer13_Timer);
    connect(&m_session, &BoardSession::lost, this, &ConnectionPanel::onLinkLost);
}

bool ConnectionPanel::portOpen() const
{
    return m_session.port().PortOpen();
}

QString ConnectionPanel::followAdapter(const QString& name)
{
    const AdapterIdentity remembered =
        AdapterIdentity::fromKey(m_settings.ReadSetting(QStringLiteral("ComAdapter")));
    // The adapter belongs to the stored port, not to a name typed since.
    if (remembered.isEmpty() || !m_adapters ||
        name != m_settings.ReadSetting(QStringLiteral("ComPort")))
        return name;
    const FollowedPort followed = FollowAdapter(name, remembered, m_adapters());
    if (!followed.moved)
        return name;
    m_session.link().log().AddLog(followed.logLine);
    m_c.Combo1->setEditText(followed.name);
    m_settings.WriteSetting(QStringLiteral("ComPort"), followed.name);
    return followed.name;
}

void ConnectionPanel::OpenPort()
{
    const QString name = followAdapter(m_c.Combo1->currentText());
    if (m_session.OpenPort(name, m_c.Combo2->currentText())) {
        m_lostPort.clear();
        return;
    }
    // A lost port (an adapter pulled out) is missing only until it is plugged in again: the
    // automatic connection keeps trying it. A name that never opened ends it.
    if (m_session.link().lastError().kind == PortError::InvalidPortNumber && name != m_lostPort)
        m_c.Check4->setChecked(false);
}

void ConnectionPanel::ClosePort()
{
    m_lostPort.clear();
    m_session.ClosePort();
}

// Qt also reports as activated a typed text that matches an entry once editing ends (Enter, or
// the focus moving to "Connection"); typed text is used but not stored, so the box's own
// events tell a choice in the list from typing. The filters go on the box and on its popup's
// view, before the popup's own, so they see each event before it chooses.
void ConnectionPanel::watchListChoices(QComboBox* combo)
{
    combo->installEventFilter(this);
    combo->view()->installEventFilter(this);
    combo->view()->viewport()->installEventFilter(this);
}

void ConnectionPanel::noteListEvent(QObject* watched, QEvent* event)
{
    for (QComboBox* combo : {m_c.Combo1, m_c.Combo2}) {
        if (watched == combo->view() || watched == combo->view()->viewport()) {
            // A release over an entry, or Enter, in the open list chooses that entry.
            const QEvent::Type t = event->type();
            if (t == QEvent::MouseButtonRelease || t == QEvent::KeyPress ||
                t == QEvent::ShortcutOverride)
                m_choosingIn = combo;
            return;
        }
        if (watched != combo)
            continue;
        switch (event->type()) {
        case QEvent::Wheel:
            m_choosingIn = combo;
            break;
        case QEvent::KeyPress: {
            // The arrow and page keys step through the list; other keys edit the text.
            const int key = static_cast<QKeyEvent*>(event)->key();
            const bool steps = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                               key == Qt::Key_PageDown || !combo->isEditable();
            m_choosingIn = steps ? combo : nullptr;
            break;
        }
        case QEvent::FocusOut:
        case QEvent::MouseButtonPress:
        case QEvent::InputMethod:
            m_choosingIn = nullptr;
            break;
        default:
            break;
        }
        return;
    }
}

void ConnectionPanel::storeListChoice(QComboBox* combo, const QString& key)
{
    if (m_choosingIn != combo)
        return;
    m_settings.WriteSetting(key, combo->currentText());
}

void ConnectionPanel::Combo1_Click()
{
    if (m_choosingIn != m_c.Combo1)
        return;
    storeListChoice(m_c.Combo1, QStringLiteral("ComPort"));
    // The adapter chosen with it; a port without one forgets the adapter remembered before
    // (a file that never had one stays as it was).
    if (!m_adapters)
        return;
    const QString key = IdentityOf(m_c.Combo1->currentText(), m_adapters()).key();
    if (!key.isEmpty() || !m_settings.ReadSetting(QStringLiteral("ComAdapter")).isEmpty())
        m_settings.WriteSetting(QStringLiteral("ComAdapter"), key);
}

void ConnectionPanel::Combo2_Click()
{
    storeListChoice(m_c.Combo2, QStringLiteral("ComSpeed"));
}

void ConnectionPanel::Combo3_Change()
{
    const QString text = m_c.Combo3->currentText();
    m_settings.WriteSetting(QStringLiteral("Rate"), text);
    const int ms = RateMilliseconds(text);
    // A half-typed or impossible rate keeps the interval in force.
    if (ms >= 0)
        m_c.Timer12->setInterval(ms);
}

void ConnectionPanel::Check4_Click()
{
    m_settings.WriteSetting(QStringLiteral("AutoPortOpen"),
                            m_c.Check4->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void ConnectionPanel::Check4_MouseUp()
{
    if (m_c.Check4->isChecked() && !portOpen())
        OpenPort();
}

bool ConnectionPanel::eventFilter(QObject* watched, QEvent* event)
{
    noteListEvent(watched, event);
    // The box changes its state when it handles the release, after this filter: look at
    // the state once that is done.
    if (watched == m_c.Check4 && event->type() == QEvent::MouseButtonRelease)
        QMetaObject::invokeMethod(this, &ConnectionPanel::Check4_MouseUp, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void ConnectionPanel::Check7_Click()
{
    m_settings.WriteSetting(QStringLiteral("TrameAuto"),
                            m_c.Check7->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    m_session.discardReceived();
}

void ConnectionPanel::Command2_Click()
{
    OpenPort();
    bool ok = false;
    const int stored = m_settings.ReadSetting(QStringLiteral("AutoPortOpen")).trimmed().toInt(&ok);
    if (ok && stored == 1)
        m_c.Check4->setChecked(true);
}

void ConnectionPanel::Command3_Click()
{
    // A running download stops after its current step instead of opening the port again.
    m_session.abandonDownload();
    m_c.Check4->setChecked(false);
    ClosePort();
}

void ConnectionPanel::showPortState(bool open)
{
    if (m_shownState == int(open))
        return;
    m_shownState = int(open);
    const QString colour = open ? kGreen : kRed;
    setBackground(m_c.Combo1, colour);
    setBackground(m_c.Combo2, colour);
    setBackground(m_c.Combo3, colour);
    setBackground(m_c.Text4, colour);
    m_c.Text4->setText(open ? QStringLiteral("Connected") : QStringLiteral("Disconnected"));
}

void ConnectionPanel::Timer1_Timer()
{
    showPortState(portOpen());
}

void ConnectionPanel::Timer13_Timer()
{
    if (m_c.Check4->isChecked() && !portOpen() && m_c.Check7->isChecked())
        OpenPort();
}

void ConnectionPanel::onLinkLost()
{
    m_lostPort = m_session.link().portName();
}
