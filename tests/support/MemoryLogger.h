#pragma once

#include "core/Logger.h"

#include <QStringList>

// Collects log messages (without time stamps) for assertions.
class MemoryLogger : public Logger
{
public:
    void AddLog(const QString& message) override { lines.append(message); }
    QStringList lines;
};
