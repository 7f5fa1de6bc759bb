#include "app/SkyvaneApp.h"

#include "app/AdvancedLock.h"
#include "app/ConnectionPanel.h"
#include "app/ConstantsFileControl.h"
#include "app/ConstantsPanel.h"
#include "app/DataStatus.h"
#include "app/Form1.h"
#include "app/LinkCheckDialog.h"
#include "app/MainMenu.h"
#include "app/MenuKeys.h"
#include "app/MessageLog.h"
#include "app/OutputControls.h"
#include "app/ProgramEnd.h"
#include "app/Prompts.h"
#include "app/RecordingControl.h"
#include "app/ReplayControl.h"
#include "app/WindowViews.h"
#include "core/SettingsFile.h"
#include "core/SettingsFolder.h"
#include "core/WindowTimer.h"
#include "display/CockpitView.h"
#include "firmware/FirmwareFiles.h"
#include "output/RawMirror.h"
#include "plots/AllanWindow.h"
#include "plots/FieldWindow.h"
#include "plots/PlotsWindow.h"
#include "session/BoardSession.h"
#include "session/DownloadBackup.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStandardPaths>

namespace {
SkyvaneApp::Options defaultOptions(const QString& programFolder)
{
    SkyvaneApp::Options o;
    o.programFolder = programFolder;
    o.fallbackFolder = SettingsFallbackFolder();
    return o;
}
} // namespace

SkyvaneApp::SkyvaneApp(const QString& programFolder) : SkyvaneApp(defaultOptions(programFolder)) {}

SkyvaneApp::SkyvaneApp(Options options) : m_options(std::move(options))
{
    build();
}

SkyvaneApp::~SkyvaneApp()
{
    delete m_field;
}

Bootloader& SkyvaneApp::bootloader()
{
    return m_session->firmware().boot;
}

PortLink& SkyvaneApp::link()
{
    return m_session->link();
}

FrameReceiver& SkyvaneApp::receiver()
{
    return m_session->receiver();
}

MeasurementDecoder& SkyvaneApp::decoder()
{
    return m_session->decoder();
}

void SkyvaneApp::build()
{
    m_form = std::make_unique<Form1>();
    Form1& f = *m_form;
    if (m_options.prompts) {
        m_prompts = m_options.prompts;
    } else {
        m_ownPrompts = std::make_unique<WindowPrompts>(f);
        m_prompts = m_ownPrompts.get();
    }
    m_log = std::make_unique<MessageLog>(f.Text2);
    m_settings = std::make_unique<SettingsFile>(m_options.programFolder, m_options.fallbackFolder,
                                                m_log.get());
    m_progress = std::make_unique<BootProgressBar>(f);
    BoardSession::Parts board(*m_log);
    board.progress = m_progress.get();
    board.firmwarePath = [&f] { return f.Text1->text(); };
    board.dataCommunication = [&f] { return f.Check7->isChecked(); };
    board.port = m_options.port;
    board.receiveSwitch = f.Timer2;
    board.request = f.Timer12;
    board.rowReplyTimer = f.Timer3;
    m_session = std::make_unique<BoardSession>(board);
    BoardSession& session = *m_session;

    // The views listen first, before the recorder and the plots.
    m_views = std::make_unique<WindowViews>(f, session.stream(), QLocale().decimalPoint().at(0),
                                            m_options.redrawMs > 0 ? m_options.redrawMs
                                                                   : RedrawPacer::RefreshMs);
    m_dataStatus = std::make_unique<DataStatus>(f.Text32, f.Timer11);
    FrameDispatch& dispatch = session.dispatch();
    connect(&dispatch, &FrameDispatch::frameSeen, m_dataStatus.get(), &DataStatus::frameSeen);
    connect(&dispatch, &FrameDispatch::deviceMessage, this,
            [this](const QString& text) { m_views->ShowDeviceMessage(text); });
    connect(&session, &BoardSession::modeChanged, m_dataStatus.get(),
            [this](BoardSession::Mode mode) {
                m_dataStatus->setReplaying(mode == BoardSession::Mode::Replay);
            });

    m_connection = std::make_unique<ConnectionPanel>(f, session, *m_settings);
    m_constants =
        std::make_unique<ConstantsPanel>(f.L, f.Text7, f.Command7, session.link(), *m_log);
    connect(&dispatch, &FrameDispatch::constantsFrame, this, [this](const QByteArray& payload) {
        m_constants->FillConstantsList(payload);
        if (m_constantsFile)
            m_constantsFile->update(m_lock->advancedShown());
    });

    const auto chooseFile = [&f](const QString& pattern) {
        const bool firmware = pattern == QStringLiteral("*.kfw");
        const QString filter =
            firmware ? QStringLiteral("Firmware (*.kfw)") : QStringLiteral("HEX (%1)").arg(pattern);
        const QString title =
            firmware ? QStringLiteral("Firmware package") : QStringLiteral("Generate bin file");
        return QFileDialog::getOpenFileName(&f, title, QString(), filter);
    };
    m_files = std::make_unique<FirmwareFiles>(
        *m_log, chooseFile,
        [this](const QString& key, const QString& value) { m_settings->WriteSetting(key, value); });

    m_lock = std::make_unique<AdvancedLock>(
        f.Command15,
        [this](int twips) {
            m_form->setOuterWidth(twips);
            m_constantsFile->update(twips == AdvancedLock::kAdvancedWidth);
        },
        [this] { return m_prompts->askPassword(); },
        [this](const QString& text) { m_prompts->showMessage(text); });
    // A failed OpenGL set-up has its own window-modal box, unless the prompts are answered
    // elsewhere.
    if (m_options.prompts)
        f.Cockpit->setFailureReport([this](const QString& text) { m_prompts->showMessage(text); });

    buildMenu();
    wireButtons();
}

void SkyvaneApp::wireButtons()
{
    Form1& f = *m_form;
    DeviceCommands* cmd = &m_session->commands();
    auto onClick = [](QPushButton* b, auto slot) {
        QObject::connect(b, &QPushButton::clicked, b, slot);
    };
    onClick(f.Command1, [cmd] { cmd->Alignment(); });
    onClick(f.Command9, [cmd] { cmd->HardwareReset(); });
    onClick(f.Command8, [cmd] { cmd->StartStopTrame(); });
    onClick(f.Command13, [cmd] { cmd->SaveToFlash(); });
    onClick(f.Command14, [cmd] { cmd->ReadFromFlash(); });
    onClick(f.Command16, [cmd] { cmd->CalibrateAccelerometers(); });
    onClick(f.Command17, [cmd] { cmd->CalibrateGyrometers(); });
    onClick(f.Command18, [cmd] { cmd->CalibrateMagnetometers(); });
    onClick(f.Command10, [this] { m_constants->RequestConstants(); });
    onClick(f.Command4, [this] { downloadFirmware(); });
    onClick(f.Command5, [this] {
        const QString path = m_files->chooseFirmware();
        if (!path.isEmpty())
            m_form->Text1->setText(path);
    });
    onClick(f.Command6, [this] { m_files->generateBin(); });

    // Timer2 (the receive switch) and Timer12 (the data request) are the session's. Timer3 is
    // also the firmware row's reply timer: a row that waits for its acknowledgement longer
    // than 200 ms repeats the OpenGL set-up.
    connect(f.Timer3, &WindowTimer::Timer, this, [this] {
        m_form->Timer3->setEnabled(false);
        m_form->Cockpit->InitOpenGL();
    });
    connect(&f, &Form1::queryUnload, this, &SkyvaneApp::closeWindow);
}

void SkyvaneApp::closeWindow()
{
    // Closing ends the program at once, even in the middle of a download's wait; only a disk
    // that does not answer could hold it longer, and not for more than this.
    constexpr int WriteDeadlineMs = 3000;
    if (!m_options.endProgram)
        EndProcessAfter(WriteDeadlineMs);
    // The bytes the port holds are frames the board has sent: they go into the recording too.
    m_session->receiveRest();
    m_recording->stop();
    m_mirror->mirror().close();
    if (m_options.endProgram) {
        m_options.endProgram();
        return;
    }
    EndProcessNow();
}

void SkyvaneApp::Load()
{
    m_form->setOuterWidth(AdvancedLock::kBasicWidth);
    QCoreApplication::processEvents();
    StartUp();
}
