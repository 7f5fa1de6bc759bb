#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// Debian's own Python with pandas (python3-pandas), for files as pandas writes them back.
// Tests skip with a message where it is not installed.
struct Pandas
{
    // "" when /usr/bin/python3 cannot import pandas.
    static QString python()
    {
        const QString python = QStringLiteral("/usr/bin/python3");
        if (!QFile::exists(python))
            return {};
        QProcess check;
        check.start(python, {QStringLiteral("-c"), QStringLiteral("import pandas")});
        if (!check.waitForFinished(60000) || check.exitCode() != 0)
            return {};
        return python;
    }

    // Runs a Python script with arguments; its standard error, or "" when it exited 0.
    static QString run(const QString& python, const QByteArray& script, const QStringList& args)
    {
        QProcess process;
        process.start(python, QStringList{QStringLiteral("-c"), QString::fromUtf8(script)} + args);
        if (!process.waitForFinished(60000))
            return QStringLiteral("python did not finish");
        if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return {};
        const QString err = QString::fromUtf8(process.readAllStandardError());
        return err.isEmpty() ? QStringLiteral("python failed") : err;
    }
};
