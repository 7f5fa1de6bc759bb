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
class ForwardControl;
class MirrorControl;
class PlotsWindow;
class RecordingControl;
class ReplayControl;
struct MainMenu;
class ArrivalReceiver;
class Bootloader;
class BootProgressBar;
class ConnectionPanel;
class ConstantsPanel;
class DeviceCommands;
class FirmwareFiles;
class FirmwareUpdater;
class Form1;
class FrameDispatch;
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
        // The one-line boxes of Forward Live Data and Mirror Raw Stream (tests replace them):
        // title, label and the text offered; "" when cancelled.
        std::function<QString(const QString&, const QString&, const QString&)> askText;
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
    PortLink& link() { return *m_link; }
    ConnectionPanel& connection() { return *m_connection; }
    FrameReceiver& receiver() { return *m_receiver; }
    MeasurementDecoder& decoder() { return *m_decoder; }
    WindowViews& views() { return *m_views; }
    Bootloader& bootloader();
    MainMenu& menu() { return *m_menu; }
    RecordingControl& recording() { return *m_recording; }
    ReplayControl& replay() { return *m_replay; }
    ForwardControl& forwarding() { return *m_forward; }
    MirrorControl& mirroring() { return *m_mirror; }
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
    std::unique_ptr<SerialControl> m_ownPort;
    SerialControl* m_port = nullptr;
    std::unique_ptr<WindowViews> m_views;
    std::unique_ptr<MeasurementDecoder> m_decoder;
    std::unique_ptr<FrameDispatch> m_dispatch;
    std::unique_ptr<FrameReceiver> m_receiver;
    std::unique_ptr<ArrivalReceiver> m_arrivals;
    std::unique_ptr<PortLink> m_link;
    std::unique_ptr<ConnectionPanel> m_connection;
    std::unique_ptr<DeviceCommands> m_commands;
    std::unique_ptr<ConstantsPanel> m_constants;
    std::unique_ptr<BootProgressBar> m_progress;
    std::unique_ptr<FirmwareUpdater> m_firmware;
    std::unique_ptr<FirmwareFiles> m_files;
    std::unique_ptr<AdvancedLock> m_lock;
    std::unique_ptr<MainMenu> m_menu;
    std::unique_ptr<RecordingControl> m_recording;
    std::unique_ptr<ReplayControl> m_replay;
    std::unique_ptr<ForwardControl> m_forward;
    std::unique_ptr<MirrorControl> m_mirror;
    std::unique_ptr<ConstantsFileControl> m_constantsFile;
    std::unique_ptr<PlotsWindow> m_plots;
    QPointer<FieldWindow> m_field;
};
