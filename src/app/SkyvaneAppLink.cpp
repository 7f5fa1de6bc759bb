// Help > Check the Link... (the link doctor over the window's session), the "Low latency"
// setting, and "Download Firmware" with the copy of the board's constants around it.

#include "app/ConnectionPanel.h"
#include "app/ConstantsFileControl.h"
#include "app/Form1.h"
#include "app/LinkCheckDialog.h"
#include "app/MainMenu.h"
#include "app/MessageLog.h"
#include "app/SkyvaneApp.h"
#include "core/SettingsFile.h"
#include "doctor/LinkDoctor.h"
#include "link/AdapterPorts.h"
#include "link/LowLatency.h"
#include "link/RateText.h"
#include "link/SpeedList.h"
#include "session/BoardSession.h"
#include "session/DownloadBackup.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

namespace {
const QString kLowLatencyKey = QStringLiteral("LowLatency");
} // namespace

void SkyvaneApp::buildLinkCheck()
{
    Form1& f = *m_form;
    const auto adapters =
        m_options.adapters ? m_options.adapters : [] { return PresentAdapters(); };
    m_connection->setAdapters(adapters);
    m_session->port().setLowLatency(LowLatencyOf(m_settings->ReadSetting(kLowLatencyKey)));

    DownloadBackup::Setup keep;
    keep.backupPath = [this, adapters] {
        return BackupFileName(AdapterFileTag(m_form->Combo1->currentText(), adapters()),
                              m_options.documentsFolder);
    };
    keep.portName = [&f] { return f.Combo1->currentText(); };
    keep.firmwarePath = [&f] { return f.Text1->text(); };
    m_download = std::make_unique<DownloadBackup>(*m_session, *m_log, keep);

    connect(m_menu->checkLink, &QAction::triggered, this, &SkyvaneApp::showLinkCheck);
}

void SkyvaneApp::showLinkCheck()
{
    if (!m_linkCheck) {
        LinkCheckDialog::Actions actions;
        const auto doctor = [this] {
            Form1& f = *m_form;
            LinkDoctor::Setup setup;
            // The open port is checked as it was opened; a closed one as the boxes name it.
            const bool open = m_session->port().PortOpen();
            setup.portName = open ? m_session->link().portName() : f.Combo1->currentText();
            setup.speed = open ? m_session->port().Settings().section(QLatin1Char(','), 0, 0)
                               : f.Combo2->currentText();
            const int rate = RateMilliseconds(f.Combo3->currentText());
            setup.rateMs = rate > 0 ? rate : 33;
            setup.speeds = SpeedList();
            setup.remedies.findSpeed = QStringLiteral("press \"Find Speed\" below");
            setup.remedies.useSpeed = [](const QString& speed) {
                return QStringLiteral("choose %1 in the speed box, then \"Connection\"").arg(speed);
            };
            return LinkDoctor(*m_session, setup);
        };
        actions.check = [doctor] { return doctor().check(); };
        actions.findSpeed = [doctor] { return doctor().findSpeed(); };
        actions.lowLatency = [this] {
            return m_session->port().lowLatency() != LowLatencyChoice::Off;
        };
        actions.setLowLatency = [this](bool on) {
            const LowLatencyChoice choice = on ? LowLatencyChoice::On : LowLatencyChoice::Off;
            m_session->port().setLowLatency(choice);
            m_settings->WriteSetting(kLowLatencyKey, LowLatencyText(choice));
        };
        m_linkCheck = std::make_unique<LinkCheckDialog>(actions, m_form.get());
    }
    showView(m_linkCheck.get());
    m_linkCheck->runCheck();
}

void SkyvaneApp::downloadFirmware()
{
    m_download->run();
    // A restore is Import Constants and Enter: the copy is offered first.
    if (!m_download->copyPath().isEmpty())
        m_constantsFile->offerImport(m_download->copyPath());
}
