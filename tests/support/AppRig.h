#pragma once

#include "app/Form1.h"
#include "app/MessageLog.h"
#include "app/Prompts.h"
#include "app/SkyvaneApp.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A program started in a temporary program folder, its window closing without ending the
// test, and its message boxes collected instead of shown.
struct AppRig : Prompts
{
    explicit AppRig(const QByteArray& settings = QByteArray(), bool writeSettings = false,
                    SerialControl* port = nullptr)
        : AppRig(SkyvaneApp::Options(), settings, writeSettings, port)
    {}
    // The same with the options given (the program folder, the end and the prompts are the
    // rig's).
    explicit AppRig(SkyvaneApp::Options o, const QByteArray& settings = QByteArray(),
                    bool writeSettings = false, SerialControl* port = nullptr)
    {
        if (writeSettings) {
            QFile f(folder.filePath("Settings.ini"));
            f.open(QIODevice::WriteOnly);
            f.write(settings);
        }
        o.programFolder = folder.path();
        o.endProgram = [this] { ended = true; };
        o.port = port;
        o.prompts = this;
        app = std::make_unique<SkyvaneApp>(o);
    }
    ~AppRig() override { app.reset(); }

    QString askPassword() override { return password; }
    void showMessage(const QString& m) override { messages << m; }
    QString chooseSaveFile(const QString&, const QString&) override { return saveAs; }
    QString chooseOpenFile(const QString&, const QString&, const QString& offeredFile) override
    {
        openOffered << offeredFile;
        return openPath;
    }
    QString askText(const QString&, const QString&, const QString& offeredText) override
    {
        offered << offeredText;
        return answer;
    }
    bool confirmImport(const QList<ConstantDifference>& differences) override
    {
        shownDifferences = differences;
        return confirmDifferences;
    }

    QByteArray settingsFile() const
    {
        QFile f(folder.filePath("Settings.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    Form1& form() { return app->form(); }
    QStringList logLines() { return app->log().lines(); }

    QTemporaryDir folder;
    std::unique_ptr<SkyvaneApp> app;
    bool ended = false;
    QString password;
    QStringList messages;
    // What the menu bar's file dialogs answer, and the Import Constants confirmation.
    QString saveAs;
    QString openPath;
    // What the open dialogs offered, one entry a dialog ("" for nothing).
    QStringList openOffered;
    bool confirmDifferences = true;
    // What the one-line boxes answer, and what they offered.
    QString answer;
    QStringList offered;
    QList<ConstantDifference> shownDifferences;
};
