#include "core/SettingsFile.h"

#include "core/FileWrite.h"
#include "core/Logger.h"
#include "core/SettingsFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QString kFileName = QStringLiteral("Settings.ini");
}

SettingsFile::SettingsFile(const QString& programFolder, const QString& fallbackFolder, Logger* log)
    : m_programFolder(programFolder), m_fallbackFolder(fallbackFolder),
      m_path(QDir(programFolder).filePath(kFileName)), m_log(log)
{}

void SettingsFile::reportOnce(const QString& message)
{
    if (m_reported)
        return;
    m_reported = true;
    if (m_log)
        m_log->AddLog(message);
}

// The folder serves when the file exists and can be written, or can be created there.
bool SettingsFile::tryFolder(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    const QString path = QDir(folder).filePath(kFileName);
    QFileInfo info(path);
    if (info.exists()) {
        if (!info.isWritable() || !QFileInfo(folder).isWritable())
            return false;
        m_path = path;
        return true;
    }
    QDir().mkpath(folder);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.close();
    m_path = path;
    return true;
}

bool SettingsFile::ensureFile()
{
    if (m_resolved)
        return m_usable;
    m_resolved = true;
    const QString primary = QDir(m_programFolder).filePath(kFileName);
    if (tryFolder(m_programFolder)) {
        m_usable = true;
        return true;
    }
    const QByteArray existing = [&] {
        QFile old(primary);
        return old.open(QIODevice::ReadOnly) ? old.readAll() : QByteArray();
    }();
    if (tryFolder(m_fallbackFolder)) {
        m_usable = true;
        // A file shipped next to the program still gives its values the first time.
        QFile fresh(m_path);
        if (!existing.isEmpty() && fresh.size() == 0 && fresh.open(QIODevice::WriteOnly))
            fresh.write(existing);
        reportOnce(
            QStringLiteral("Settings cannot be written in %1; they are kept in %2.")
                .arg(QDir::toNativeSeparators(m_programFolder), QDir::toNativeSeparators(m_path)));
        return true;
    }
    m_path = primary;
    reportOnce(QStringLiteral("Settings file %1 cannot be created or written; "
                              "the defaults are used and choices are not kept.")
                   .arg(QDir::toNativeSeparators(primary)));
    return false;
}

QByteArray SettingsFile::readAll()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString SettingsFile::ReadSetting(const QString& key)
{
    ensureFile();
    return LookupSetting(ParseSettings(readAll()), key);
}

void SettingsFile::WriteSetting(const QString& key, const QString& value)
{
    if (!ensureFile())
        return;
    QList<SettingsEntry> entries = ParseSettings(readAll());
    AssignSetting(entries, key, value);
    // Kept out of the file, which cannot hold them, but not in silence: a firmware path that
    // lost a character names another file after a restart.
    const QString leftOut = LeftOutOfField(key + value);
    if (!leftOut.isEmpty() && m_log)
        m_log->AddLog(QStringLiteral("Setting \"%1\" stored without %2, which the settings file "
                                     "cannot hold.")
                          .arg(StorableText(key), leftOut));
    const QString failure = WriteFileAtomically(m_path, FormatSettings(entries), m_beforeRename);
    if (!failure.isEmpty())
        reportOnce(QStringLiteral("Settings file %1 cannot be written: %2")
                       .arg(QDir::toNativeSeparators(m_path), failure));
}
