#pragma once

#include "record/Recorder.h"

#include <QObject>

#include <functional>

class Logger;
class MeasurementStream;
class QAction;

// File > Record... (Ctrl+R): asks for a file and records every decoded measurement to it until
// the same entry, now "Stop Recording", is chosen again. The recording goes on across
// "Disconnection", a lost link and a reconnection; a write failure ends it with one log line.
class RecordingControl : public QObject
{
    Q_OBJECT
public:
    // Asks for the file to record to, suggesting a path; "" when cancelled.
    using ChooseFile = std::function<QString(const QString& suggested)>;
    // What the first line of the file says about the link: port, speed and polling rate.
    using LinkInfo = std::function<RecordingFormat::Info()>;

    RecordingControl(QAction* action, MeasurementStream& stream, Logger& log, ChooseFile choose,
                     LinkInfo info, QObject* parent = nullptr);
    ~RecordingControl() override;

    // The action's handler: starts a recording or stops the running one.
    void toggle();
    // Stops the running recording: what it holds is written and the file closed.
    void stop();
    bool isRecording() const { return m_recorder.isRecording(); }

    // "skyvane-YYYYMMDD-HHMMSS.csv" in the user's documents folder.
    static QString suggestedPath();

private:
    void onStopped();

    QAction* m_action;
    MeasurementStream& m_stream;
    ChooseFile m_choose;
    LinkInfo m_info;
    Recorder m_recorder;
    int m_subscription = 0;
};
