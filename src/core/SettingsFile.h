#pragma once

#include "core/SettingsStore.h"

#include <functional>

#include <QString>

class Logger;

// "Settings.ini" in the program's folder. Every call reads the whole file; every write
// rewrites it whole through a temporary file renamed over the old one, so a write cut
// short never leaves a truncated file behind.
//
// When the program's folder cannot hold the file (an installed program in a folder the
// user cannot write), the file is kept in the fallback folder instead, with one log line
// saying where. When neither works, one log line says so and the program runs on its
// defaults; further failures in the same run stay quiet.
class SettingsFile : public SettingsStore
{
public:
    SettingsFile(const QString& programFolder, const QString& fallbackFolder, Logger* log);

    QString ReadSetting(const QString& key) override;
    void WriteSetting(const QString& key, const QString& value) override;

    // The file in use (in the program's folder unless it fell back).
    QString path() const { return m_path; }
    void setLogger(Logger* log) { m_log = log; }
    // Runs between writing the temporary file and renaming it; lets tests cut a write short.
    void setBeforeRename(std::function<void()> hook) { m_beforeRename = std::move(hook); }

private:
    bool ensureFile();
    bool tryFolder(const QString& folder);
    QByteArray readAll();
    void reportOnce(const QString& message);

    QString m_programFolder;
    QString m_fallbackFolder;
    QString m_path;
    Logger* m_log;
    bool m_resolved = false;
    bool m_usable = false;
    bool m_reported = false;
    std::function<void()> m_beforeRename;
};
