#pragma once

#include "app/Form1.h"
#include "app/MessageLog.h"
#include "app/SkyvaneApp.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A program started in a temporary program folder, its window closing without ending the
// test, and its message boxes collected instead of shown.
struct AppRig
{
    explicit AppRig(const QByteArray& settings = QByteArray(), bool writeSettings = false,
                    SerialControl* port = nullptr)
    {
        if (writeSettings) {
            QFile f(folder.filePath("Settings.ini"));
            f.open(QIODevice::WriteOnly);
            f.write(settings);
        }
        SkyvaneApp::Options o;
        o.programFolder = folder.path();
        o.endProgram = [this] { ended = true; };
        o.port = port;
        o.askPassword = [this] { return password; };
        o.showMessage = [this](const QString& m) { messages << m; };
        o.chooseSaveFile = [this](const QString&, const QString&) { return saveAs; };
        o.chooseOpenFile = [this](const QString&, const QString&) { return openPath; };
        o.askText = [this](const QString&, const QString&, const QString& last) {
            offered << last;
            return answer;
        };
        o.confirmImport = [this](const QList<ConstantDifference>& differences) {
            shownDifferences = differences;
            return confirmImport;
        };
        app = std::make_unique<SkyvaneApp>(o);
    }
    ~AppRig() { app.reset(); }

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
    bool confirmImport = true;
    // What the one-line boxes answer, and what they offered.
    QString answer;
    QStringList offered;
    QList<ConstantDifference> shownDifferences;
};
