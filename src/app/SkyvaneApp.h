#pragma once

#include <functional>
#include <memory>

#include "constants/ConstantsTableFile.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class AdvancedLock;
class ConstantsFileControl;
class FieldWindow;
class PlotsWindow;
class RecordingControl;
class ReplayControl;
struct MainMenu;
class BoardSession;
class Bootloader;
class BootProgressBar;
class ConnectionPanel;
class ConstantsPanel;
class FirmwareFiles;
class Form1;
class FrameReceiver;
class MeasurementDecoder;
class MessageLog;
class PortLink;
class SerialControl;
class SettingsFile;
class WindowViews;

// The program: the window and the subsystems working on it, made once and wired together.
class SkyvaneApp : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        // Where "Settings.ini" lives: the program's own folder.
        QString programFolder;
        // Where settings go when the program's folder cannot hold them ("" for nowhere).
        QString fallbackFolder;
        // What closing the window does: end the process at once.
        std::function<void()> endProgram;
        // Replaces the real serial port (tests); null for the real one.
        SerialControl* port = nullptr;
        // The password box and the message boxes (tests replace them).
        std::function<QString()> askPassword;
        std::function<void(const QString&)> showMessage;
        // The file dialogs of the menu bar's entries (tests replace them): a file to save,
        // with a suggested path, and a file to open; "" when cancelled.
        std::function<QString(const QString& title, const QString& suggested)> chooseSaveFile;
        std::function<QString(const QString& title, const QString& filter)> chooseOpenFile;
        // The Import Constants confirmation; null for the dialog.
        std::function<bool(const QList<ConstantDifference>&)> confirmImport;
    };

    explicit SkyvaneApp(const QString& programFolder);
    explicit SkyvaneApp(Options options);
    ~SkyvaneApp() override;

    // The window's Load: basic width, one yield, then StartUp.
    void Load();
    void StartUp();

    Form1& form() { return *m_form; }
    MessageLog& log() { return *m_log; }
    SettingsFile& settings() { return *m_settings; }
    BoardSession& session() { return *m_session; }
    PortLink& link();
    ConnectionPanel& connection() { return *m_connection; }
    FrameReceiver& receiver();
    MeasurementDecoder& decoder();
    WindowViews& views() { return *m_views; }
    Bootloader& bootloader();
    MainMenu& menu() { return *m_menu; }
    RecordingControl& recording() { return *m_recording; }
    ReplayControl& replay() { return *m_replay; }
    // The view windows, made when first shown (null before).
    PlotsWindow* plots() { return m_plots.get(); }
    FieldWindow* field();

private:
    void build();
    void wireButtons();
    void restoreSettings();
    void buildMenu();
    void showView(QWidget* window);

    Options m_options;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<MessageLog> m_log;
    std::unique_ptr<SettingsFile> m_settings;
    std::unique_ptr<BootProgressBar> m_progress;
    std::unique_ptr<BoardSession> m_session;
    std::unique_ptr<WindowViews> m_views;
    std::unique_ptr<ConnectionPanel> m_connection;
    std::unique_ptr<ConstantsPanel> m_constants;
    std::unique_ptr<FirmwareFiles> m_files;
    std::unique_ptr<AdvancedLock> m_lock;
    std::unique_ptr<MainMenu> m_menu;
    std::unique_ptr<RecordingControl> m_recording;
    std::unique_ptr<ReplayControl> m_replay;
    std::unique_ptr<ConstantsFileControl> m_constantsFile;
    std::unique_ptr<PlotsWindow> m_plots;
    QPointer<FieldWindow> m_field;
};
