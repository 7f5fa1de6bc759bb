#pragma once

#include <QString>

// Where every subsystem reports what it did and what failed: the message log of the window.
class Logger
{
public:
    virtual ~Logger() = default;
    virtual void AddLog(const QString& message) = 0;
};
