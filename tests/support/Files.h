#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Whole files for tests: a file that cannot be read reads as "<unreadable>", which no
// expected content equals.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// False when the file could not be written whole.
inline bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}
