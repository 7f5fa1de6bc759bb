// The menu bar of the program: recording, replay, the constants file, the view windows.

#include "app/SkyvaneApp.h"

#include "app/AdvancedLock.h"
#include "app/ConstantsFileControl.h"
#include "app/ConstantsPanel.h"
#include "app/Form1.h"
#include "app/MainMenu.h"
#include "app/MenuKeys.h"
#include "app/MessageLog.h"
#include "app/OutputControls.h"
#include "app/Prompts.h"
#include "app/RecordingControl.h"
#include "app/ReplayControl.h"
#include "app/WindowViews.h"
#include "core/SettingsFile.h"
#include "link/RateText.h"
#include "plots/AllanWindow.h"
#include "plots/FieldWindow.h"
#include "plots/PlotsWindow.h"
#include "session/BoardSession.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

void SkyvaneApp::buildMenu()
{
    Form1& f = *m_form;
    m_menu = std::make_unique<MainMenu>(f);
    m_menuKeys = std::make_unique<MenuKeys>(f, *f.MenuBar);
    const MainMenu& menu = *m_menu;

    Prompts& prompts = *m_prompts;
    const auto saveFile = [&prompts](const QString& title, const QString& suggested) {
        return prompts.chooseSaveFile(title, suggested);
    };
    const auto openFile = [&prompts](const QString& title, const QString& filter,
                                     const QString& offered = QString()) {
        return prompts.chooseOpenFile(title, filter, offered);
    };
    const QString csv = QStringLiteral("CSV files (*.csv);;All files (*)");

    m_recording = std::make_unique<RecordingControl>(
        menu.record, m_session->stream(), *m_log,
        [saveFile](const QString& suggested) {
            return saveFile(QStringLiteral("Record to"), suggested);
        },
        [&f] {
            RecordingFormat::Info info;
            info.start = QDateTime::currentDateTime();
            info.port = f.Combo1->currentText();
            info.baud = f.Combo2->currentText().toInt();
            info.pollMs = RateMilliseconds(f.Combo3->currentText());
            return info;
        });

    m_replay = std::make_unique<ReplayControl>(
        ReplayControl::Parts{menu.replay, *m_session, *m_log, &f},
        [openFile, csv] { return openFile(QStringLiteral("Replay"), csv); });

    const AskText askText = [&prompts](const QString& title, const QString& label,
                                       const QString& offered) {
        return prompts.askText(title, label, offered);
    };
    m_forward = std::make_unique<ForwardControl>(menu.forwardLiveData, *m_session, *m_log,
                                                 *m_settings, askText);
    m_mirror = std::make_unique<MirrorControl>(menu.mirrorRawStream, *m_session, *m_log,
                                               *m_settings, askText);

    ConstantsFileControl::Dialogs dialogs;
    dialogs.chooseExport = [saveFile](const QString& suggested) {
        return saveFile(QStringLiteral("Export Constants"), suggested);
    };
    dialogs.chooseImport = [openFile, csv](const QString& offered) {
        return openFile(QStringLiteral("Import Constants"), csv, offered);
    };
    dialogs.confirm = [&prompts](const QList<ConstantDifference>& differences) {
        return prompts.confirmImport(differences);
    };
    m_constantsFile = std::make_unique<ConstantsFileControl>(
        menu.exportConstants, menu.importConstants, *m_constants, m_session->link(), *m_log,
        [&f] { return f.Combo1->currentText(); }, dialogs);

    // The button's own handler: the same dialog, the same output name.
    connect(menu.generateBin, &QAction::triggered, f.Command6, &QPushButton::click);
    connect(menu.quit, &QAction::triggered, &f, &QWidget::close);
    connect(menu.plots, &QAction::triggered, this, [this] {
        if (!m_plots) {
            m_plots = std::make_unique<PlotsWindow>(m_session->stream());
            m_plots->setReport([this](const QString& text) { m_log->AddLog(text); });
            // The window's own prompts leave the plots their own dialog (PNG or CSV).
            if (m_options.prompts)
                m_plots->setChooseFile([this](const QString& suggested) {
                    return m_prompts->chooseSaveFile(QStringLiteral("Export Plots"), suggested);
                });
        }
        showView(m_plots.get());
    });
    connect(menu.magneticField, &QAction::triggered, this, [this] {
        // Closed, the window goes: its points are those collected since it was opened.
        if (!m_field) {
            m_field = new FieldWindow(m_session->stream());
            m_field->setAttribute(Qt::WA_DeleteOnClose);
        }
        showView(m_field);
    });
    connect(menu.allanDeviation, &QAction::triggered, this, [this, openFile, csv] {
        if (!m_allan) {
            m_allan = std::make_unique<AllanWindow>();
            m_allan->setReport([this](const QString& text) { m_log->AddLog(text); });
            m_allan->setPlotsFrames(
                [this] { return m_plots ? m_plots->heldFrames() : QList<PlotFrames::Frame>(); });
            if (m_options.prompts) {
                m_allan->setChooseOpenFile(
                    [openFile, csv] { return openFile(QStringLiteral("Open Recording"), csv); });
                m_allan->setChooseSaveFile([this](const QString& suggested) {
                    return m_prompts->chooseSaveFile(QStringLiteral("Export Allan Deviation"),
                                                     suggested);
                });
            }
        }
        showView(m_allan.get());
    });
    connect(menu.about, &QAction::triggered, this, [&f] {
        QMessageBox::about(
            &f, QStringLiteral("About Skyvane"),
            QStringLiteral("<b>Skyvane %1</b><p>Tool for the VELTIS attitude and heading sensor "
                           "board: live views, calibration, constants, firmware, recording, "
                           "replay and plots.</p><p>Command line: skyvane-cli --help</p>"
                           "<p>Copyright 2026 VELTIS. Free software under the GNU General Public "
                           "License, version 3 or (at your option) any later version; it comes "
                           "with no warranty. Built with Qt (LGPL-3.0 and GPL-3.0) and Qt Charts "
                           "(GPL-3.0).</p>")
                .arg(QCoreApplication::applicationVersion().toHtmlEscaped()));
    });
    buildLinkCheck();
    f.setOuterWidth(f.outerWidth());
}

void SkyvaneApp::showView(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

FieldWindow* SkyvaneApp::field()
{
    return m_field;
}
