#include "core/FileWrite.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

QString WriteFileAtomically(const QString& path, const QByteArray& bytes,
                            const std::function<void()>& beforeReplace)
{
    QSaveFile file(path);
    // An empty reason would read as success.
    const auto failure = [&file] {
        const QString reason = file.errorString();
        return reason.isEmpty() ? QStringLiteral("Unknown error") : reason;
    };
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return failure();
    if (beforeReplace)
        beforeReplace();
    if (!file.commit())
        return failure();
    return {};
}

QString DocumentsFilePath(const QString& prefix, const QString& suffix, const QDateTime& when)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return QDir(folder).filePath(prefix + when.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                                 suffix);
}
