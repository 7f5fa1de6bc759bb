#pragma once

#include <functional>
#include <memory>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

struct AdapterPort;
class DownloadBackup;
class LinkCheckDialog;

class AdvancedLock;
class AllanWindow;
class ConstantsFileControl;
class FieldWindow;
class ForwardControl;
class MenuKeys;
class MirrorControl;
class PlotsWindow;
class Prompts;
class RecordingControl;
class ReplayControl;
struct MainMenu;
class BoardSession;
class Bootloader;
class BootProgressBar;
class ConnectionPanel;
class ConstantsPanel;
class DataStatus;
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
        // What closing the window does once the recording and the mirror are closed; null: end
        // the process at once.
        std::function<void()> endProgram;
        // Replaces the real serial port (tests); null for the real one.
        SerialControl* port = nullptr;
        // The views draw at most once in this many milliseconds; 0: once per screen refresh.
        int redrawMs = 0;
        // Answers the password box, the message boxes, the file dialogs and the Import
        // Constants confirmation (tests); null for the window's own dialogs.
        Prompts* prompts = nullptr;
        // The ports present with their adapters (tests give lists); null for the system's.
        std::function<QList<AdapterPort>()> adapters;
        // Where the constants copy of a firmware download goes; "" for the documents folder.
        QString documentsFolder;
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
    DataStatus& dataStatus() { return *m_dataStatus; }
    Bootloader& bootloader();
    MainMenu& menu() { return *m_menu; }
    RecordingControl& recording() { return *m_recording; }
    ReplayControl& replay() { return *m_replay; }
    ForwardControl& forwarding() { return *m_forward; }
    MirrorControl& mirroring() { return *m_mirror; }
    // The view windows, made when first shown (null before).
    PlotsWindow* plots() { return m_plots.get(); }
    FieldWindow* field();
    AllanWindow* allan() { return m_allan.get(); }
    // The link doctor's dialog, made when first shown (null before).
    LinkCheckDialog* linkCheck() { return m_linkCheck.get(); }
    // The firmware download with its constants copy ("Download Firmware").
    DownloadBackup& download() { return *m_download; }

private:
    void build();
    void wireButtons();
    void restoreSettings();
    void buildMenu();
    void showView(QWidget* window);
    // Help > Check the Link..., the "Low latency" setting, and the download with its copy of
    // the constants (SkyvaneAppLink.cpp).
    void buildLinkCheck();
    void showLinkCheck();
    void downloadFirmware();
    // The window closes: what the board sent so far is decoded, the recording written and
    // closed, the mirror's link removed (each with its closing log line), then the program ends.
    void closeWindow();

    Options m_options;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<Prompts> m_ownPrompts;
    Prompts* m_prompts = nullptr;
    std::unique_ptr<MessageLog> m_log;
    std::unique_ptr<SettingsFile> m_settings;
    std::unique_ptr<BootProgressBar> m_progress;
    std::unique_ptr<BoardSession> m_session;
    std::unique_ptr<WindowViews> m_views;
    std::unique_ptr<DataStatus> m_dataStatus;
    std::unique_ptr<ConnectionPanel> m_connection;
    std::unique_ptr<ConstantsPanel> m_constants;
    std::unique_ptr<FirmwareFiles> m_files;
    std::unique_ptr<AdvancedLock> m_lock;
    std::unique_ptr<MainMenu> m_menu;
    std::unique_ptr<MenuKeys> m_menuKeys;
    std::unique_ptr<RecordingControl> m_recording;
    std::unique_ptr<ReplayControl> m_replay;
    std::unique_ptr<ForwardControl> m_forward;
    std::unique_ptr<MirrorControl> m_mirror;
    std::unique_ptr<ConstantsFileControl> m_constantsFile;
    std::unique_ptr<PlotsWindow> m_plots;
    QPointer<FieldWindow> m_field;
    std::unique_ptr<AllanWindow> m_allan;
    std::unique_ptr<LinkCheckDialog> m_linkCheck;
    std::unique_ptr<DownloadBackup> m_download;
};
