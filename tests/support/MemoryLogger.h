#pragma once

#include "core/Logger.h"

#include <QStringList>

// Collects log messages (without time stamps) for assertions.
class MemoryLogger : public Logger
{
public:
    void AddLog(const QString& message) override { lines.append(message); }
    bool hasLineStartingWith(const QString& start) const
    {
        for (const QString& line : lines) {
            if (line.startsWith(start))
                return true;
        }
        return false;
    }
    QStringList lines;
};
