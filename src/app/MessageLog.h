#pragma once

#include "core/Logger.h"

#include <functional>

#include <QDateTime>
#include <QStringList>

class QPlainTextEdit;

// The message log shown in the window: one line per message, "stamp : message", the newest
// last. Lines are appended to the document, never rebuilt, so a long run stays cheap; only
// the newest MaxLines lines are kept.
class MessageLog : public Logger
{
public:
    explicit MessageLog(QPlainTextEdit* box,
                        std::function<QDateTime()> clock = &QDateTime::currentDateTime);

    static constexpr int MaxLines = 100000;

    void AddLog(const QString& message) override;

    // The whole log, lines separated by CR LF, no line end after the last.
    QString text() const;
    QStringList lines() const;

private:
    QPlainTextEdit* m_box;
    std::function<QDateTime()> m_clock;
};
