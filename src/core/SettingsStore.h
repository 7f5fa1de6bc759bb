#pragma once

#include <QString>

// The stored choices of the window: ReadSetting gives the value under a key (empty when
// missing), WriteSetting stores one. Neither reports an error to its caller.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual QString ReadSetting(const QString& key) = 0;
    virtual void WriteSetting(const QString& key, const QString& value) = 0;
};
