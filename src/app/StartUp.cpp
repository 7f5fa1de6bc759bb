#include "app/ConnectionPanel.h"
#include "app/Form1.h"
#include "app/MessageLog.h"
#include "app/PortListDelegate.h"
#include "app/SkyvaneApp.h"
#include "core/SettingsFile.h"
#include "display/CockpitView.h"
#include "link/PortNames.h"
#include "link/SpeedList.h"
#include "session/BoardSession.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

namespace {

// A stored check-box state: only "0" and "1" mean something; anything else (edited by
// hand) leaves the box as it is.
void restoreCheck(QCheckBox* box, const QString& stored)
{
    const QString text = stored.trimmed();
    if (text == QLatin1String("0"))
        box->setChecked(false);
    else if (text == QLatin1String("1"))
        box->setChecked(true);
}

} // namespace

void SkyvaneApp::StartUp()
{
    Form1& f = *m_form;
    f.show();

    f.Combo1->clear();
    f.Combo2->clear();
    const QList<PortEntry> ports = PortList();
    for (int i = 0; i < ports.size(); ++i) {
        f.Combo1->addItem(ports[i].name);
        f.Combo1->setItemData(i, ports[i].tooltip, Qt::ToolTipRole);
    }
    f.Combo1->setItemDelegate(new PortListDelegate(f.Combo1));
    f.Combo1->view()->setMinimumWidth(f.Combo1->view()->sizeHintForColumn(0));
    f.Combo1->setEditText(QStringLiteral("COM1"));
    for (const QString& speed : SpeedList())
        f.Combo2->addItem(speed);
    f.Combo2->setEditText(QStringLiteral("115200"));
    // Adding the rates must not disturb the rate text (a change would store it).
    const QString rate = f.Combo3->currentText();
    f.Combo3->blockSignals(true);
    for (const char* r : {"33ms", "50ms", "100ms", "1000ms"})
        f.Combo3->addItem(QLatin1String(r));
    f.Combo3->setEditText(rate);
    f.Combo3->blockSignals(false);

    restoreSettings();
    QCoreApplication::processEvents();

    f.Cockpit->InitOpenGL();
    QCoreApplication::processEvents();

    if (f.Check4->isChecked())
        m_connection->OpenPort();

    // The views drawn once with zero values.
    FrameDispatch& dispatch = m_session->dispatch();
    dispatch.show(dispatch.decoder().DecodeFrameF(QByteArray(128, '\0')));
    m_log->AddLog(QStringLiteral("Application started."));
}

void SkyvaneApp::restoreSettings()
{
    Form1& f = *m_form;
    SettingsFile& s = *m_settings;
    const QString port = s.ReadSetting(QStringLiteral("ComPort"));
    if (!port.isEmpty())
        f.Combo1->setEditText(port);
    const QString speed = s.ReadSetting(QStringLiteral("ComSpeed"));
    if (!speed.isEmpty())
        f.Combo2->setEditText(speed);
    const QString rate = s.ReadSetting(QStringLiteral("Rate"));
    if (!rate.isEmpty())
        f.Combo3->setEditText(rate);
    restoreCheck(f.Check4, s.ReadSetting(QStringLiteral("AutoPortOpen")));
    restoreCheck(f.Check7, s.ReadSetting(QStringLiteral("TrameAuto")));
    const QString firmware = s.ReadSetting(QStringLiteral("Firmware"));
    if (!firmware.isEmpty())
        f.Text1->setText(firmware);
}
