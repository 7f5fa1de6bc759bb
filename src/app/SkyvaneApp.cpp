#include "app/SkyvaneApp.h"

#include "app/AdvancedLock.h"
#include "app/ArrivalReceiver.h"
#include "app/ConnectionPanel.h"
#include "app/ConstantsFileControl.h"
#include "app/ConstantsPanel.h"
#include "app/Form1.h"
#include "app/MainMenu.h"
#include "app/MessageLog.h"
#include "app/OutputControls.h"
#include "app/RecordingControl.h"
#include "app/ReplayControl.h"
#include "app/WindowViews.h"
#include "core/SettingsFile.h"
#include "core/WindowTimer.h"
#include "display/CockpitView.h"
#include "firmware/FirmwareFiles.h"
#include "firmware/FirmwareUpdater.h"
#include "link/PortLink.h"
#include "link/QtSerialControl.h"
#include "plots/FieldWindow.h"
#include "plots/PlotsWindow.h"
#include "protocol/DeviceCommands.h"
#include "protocol/FrameDispatch.h"
#include "protocol/FrameReceiver.h"
#include "protocol/MeasurementDecoder.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

#ifdef SKYVANE_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace {
SkyvaneApp::Options defaultOptions(const QString& programFolder)
{
    SkyvaneApp::Options o;
    o.programFolder = programFolder;
    o.fallbackFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
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
    return m_firmware->boot;
}

void SkyvaneApp::build()
{
    m_form = std::make_unique<Form1>();
    Form1& f = *m_form;
    m_log = std::make_unique<MessageLog>(f.Text2);
    m_settings = std::make_unique<SettingsFile>(m_options.programFolder, m_options.fallbackFolder,
                                                m_log.get());
    if (m_options.port) {
        m_port = m_options.port;
    } else {
        m_ownPort = std::make_unique<QtSerialControl>();
        m_port = m_ownPort.get();
    }
    m_port->setObjectName(QStringLiteral("M"));

    m_views = std::make_unique<WindowViews>(f);
    m_decoder = std::make_unique<MeasurementDecoder>(*m_views, QLocale().decimalPoint().at(0));
    m_dispatch = std::make_unique<FrameDispatch>(*m_decoder);
    m_receiver = std::make_unique<FrameReceiver>(*m_dispatch);
    ReceiveBuffer& rx = m_receiver->RxBuffer();
    m_link = std::make_unique<PortLink>(*m_port, *m_log, rx);

    ConnectionControls c;
    c.Combo1 = f.Combo1;
    c.Combo2 = f.Combo2;
    c.Combo3 = f.Combo3;
    c.Check4 = f.Check4;
    c.Check7 = f.Check7;
    c.Command2 = f.Command2;
    c.Command3 = f.Command3;
    c.Text4 = f.Text4;
    c.Text32 = f.Text32;
    c.Timer1 = f.Timer1;
    c.Timer2 = f.Timer2;
    c.Timer11 = f.Timer11;
    c.Timer12 = f.Timer12;
    c.Timer13 = f.Timer13;
    m_connection = std::make_unique<ConnectionPanel>(c, *m_link, *m_settings);
    m_commands = std::make_unique<DeviceCommands>(*m_link, rx);
    m_constants = std::make_unique<ConstantsPanel>(f.L, f.Text7, f.Command7, *m_link, *m_log);
    m_dispatch->setConstantsListener([this](const QByteArray& payload) {
        m_constants->FillConstantsList(payload);
        if (m_constantsFile)
            m_constantsFile->update(m_form->outerWidth() == AdvancedLock::kAdvancedWidth);
    });

    m_progress = std::make_unique<BootProgressBar>(f);
    m_firmware = std::make_unique<FirmwareUpdater>(FirmwareUpdater::Parts{
        *m_link, *m_log, rx, *m_progress, *f.Timer2, *f.Timer12, [&f] { return f.Text1->text(); }});
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

    auto ask = m_options.askPassword;
    if (!ask) {
        ask = [&f] {
            bool ok = false;
            const QString answer = QInputDialog::getText(
                &f, QStringLiteral("Password"),
                QStringLiteral("You need a password to show advanced settings."),
                QLineEdit::Password, QString(), &ok);
            return ok ? answer : QString();
        };
    }
    auto tell = m_options.showMessage;
    if (!tell) {
        // The text and an OK button, no icon.
        tell = [&f](const QString& text) {
            QMessageBox box(QMessageBox::NoIcon, f.windowTitle(), text, QMessageBox::Ok, &f);
            box.exec();
        };
    }
    m_lock = std::make_unique<AdvancedLock>(
        f.Command15,
        [this](int twips) {
            m_form->setOuterWidth(twips);
            m_constantsFile->update(twips == AdvancedLock::kAdvancedWidth);
        },
        ask, tell);
    if (m_options.showMessage)
        f.Cockpit->setFailureReport(m_options.showMessage);

    buildMenu();
    wireButtons();
}

void SkyvaneApp::wireButtons()
{
    Form1& f = *m_form;
    DeviceCommands* cmd = m_commands.get();
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
    onClick(f.Command4, [this] { m_firmware->download.run(); });
    onClick(f.Command3, [this] { m_firmware->download.abandon(); });
    onClick(f.Command5, [this] {
        const QString path = m_files->chooseFirmware();
        if (!path.isEmpty())
            m_form->Text1->setText(path);
    });
    onClick(f.Command6, [this] { m_files->generateBin(); });

    // Timer2 is the receiver's switch; bytes are handled as they arrive.
    m_arrivals = std::make_unique<ArrivalReceiver>(*m_port, *m_receiver, *f.Timer2);
    connect(f.Timer12, &WindowTimer::Timer, this,
            [this] { m_commands->RequestFrame(m_form->Check7->isChecked()); });
    connect(f.Timer3, &WindowTimer::Timer, this, [this] {
        m_form->Timer3->setEnabled(false);
        m_form->Cockpit->InitOpenGL();
    });
    // A row that waits for its acknowledgement repeats the OpenGL set-up, as Timer3 does.
    WindowTimer& ack = m_firmware->ackTimeout();
    connect(&ack, &WindowTimer::Timer, this, [this, &ack] {
        ack.setEnabled(false);
        m_form->Cockpit->InitOpenGL();
    });
    connect(&f, &Form1::queryUnload, this, [this] {
        if (m_options.endProgram) {
            m_options.endProgram();
            return;
        }
        // Closing ends the program at once, even in the middle of a download's wait.
        std::fflush(nullptr);
#ifdef SKYVANE_LEAK_CHECK
        // _Exit skips the exit-time leak check of the sanitizer build; run it here.
        __lsan_do_leak_check();
#endif
        std::_Exit(0);
    });
}

void SkyvaneApp::Load()
{
    m_form->setOuterWidth(AdvancedLock::kBasicWidth);
    QCoreApplication::processEvents();
    StartUp();
}
