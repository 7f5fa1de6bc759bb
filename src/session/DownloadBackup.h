#pragma once

#include "firmware/DownloadResult.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class BoardSession;
class Logger;
struct FirmwareLoad;

// A firmware download that keeps the board's constants safe. Before the download (and so
// before its reset), while the board still runs its application, it asks for the constants
// table ("[" and the panel's wait) and writes what comes as a constants file (the format of
// File > Export Constants); after "Application Launched." and the first measurement frame it
// reads the table again and logs how many entries differ from the copy. The download itself,
// its steps and its log lines are the session's, untouched; a board that does not answer is
// logged and the download goes on as before.
class DownloadBackup
{
public:
    // How long the table and the first frame after the start may take.
    static constexpr int TableWaitMs = 800;
    static constexpr int FrameWaitMs = 3000;
    // The board is asked for a frame this often after the start until one comes.
    static constexpr int FrameRequestMs = 250;

    struct Setup
    {
        // The file the copy goes to, asked when a table has come; "" for no copy at all (the
        // board is then not asked either).
        std::function<QString()> backupPath;
        // The port named in the file's first line.
        std::function<QString()> portName;
        // The firmware package run() downloads (the window's Text1).
        std::function<QString()> firmwarePath;
    };

    DownloadBackup(BoardSession& session, Logger& log, Setup setup);

    // The download of the file the session's parts name, with the copy around it.
    DownloadResult run();
    // The same for a file the caller has loaded.
    DownloadResult run(const QString& path, const FirmwareLoad& load);

    // The copy the last download left ("" when none was written).
    QString copyPath() const { return m_copyPath; }
    // The entries that differed after the last download; -1 when the table was not compared.
    int differing() const { return m_differing; }

private:
    // Asks for the table and waits for it up to waitMs; empty when none came.
    QByteArray readTable(int waitMs);
    bool waitForFrame(int waitMs);
    void backUp();
    void compareAfter();

    BoardSession& m_session;
    Logger& m_log;
    Setup m_setup;
    QList<float> m_copy;
    QString m_copyPath;
    int m_differing = -1;
};

// The name a copy takes in the documents folder: the date, the time and the adapter's
// identity (its serial number, else its ids, else the port's name), such as
// "skyvane-constants-20261209-143005-A10K1234.csv".
QString BackupFileName(const QString& adapter, const QString& folder);
