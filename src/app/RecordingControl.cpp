#include "app/RecordingControl.h"

#include "core/FileWrite.h"
#include "core/Logger.h"
#include "protocol/MeasurementStream.h"

#include <QAction>

namespace {
const QString kRecord = QStringLiteral("&Record...");
const QString kStop = QStringLiteral("Stop &Recording");
} // namespace

RecordingControl::RecordingControl(QAction* action, MeasurementStream& stream, Logger& log,
                                   ChooseFile choose, LinkInfo info, QObject* parent)
    : QObject(parent), m_action(action), m_stream(stream), m_choose(std::move(choose)),
      m_info(std::move(info)), m_recorder([&log](const QString& text) { log.AddLog(text); })
{
    connect(m_action, &QAction::triggered, this, &RecordingControl::toggle);
    connect(&m_recorder, &Recorder::stopped, this, &RecordingControl::onStopped);
}

RecordingControl::~RecordingControl()
{
    // The recording ends with the program: its closing line still goes to the log.
    disconnect(&m_recorder, nullptr, this, nullptr);
    m_recorder.stop();
    if (m_subscription)
        m_stream.unsubscribe(m_subscription);
}

QString RecordingControl::suggestedPath()
{
    return DocumentsFilePath(QStringLiteral("skyvane-"), QStringLiteral(".csv"));
}

void RecordingControl::stop()
{
    m_recorder.stop();
}

void RecordingControl::toggle()
{
    if (m_recorder.isRecording()) {
        m_recorder.stop();
        return;
    }
    const QString path = m_choose(suggestedPath());
    if (path.isEmpty())
        return;
    if (!m_recorder.start(path, m_info()))
        return;
    m_subscription = m_stream.subscribe([this](const Measurement& m) { m_recorder.add(m); });
    m_action->setText(kStop);
}

void RecordingControl::onStopped()
{
    if (m_subscription)
        m_stream.unsubscribe(m_subscription);
    m_subscription = 0;
    m_action->setText(kRecord);
}
