#pragma once

#include <QString>

// How a firmware download ended, for whoever started it: the window's follow-up, skyvane-cli's
// exit code. The download's own log lines say the same to the operator as it goes.
struct DownloadResult
{
    enum Outcome
    {
        // Every row acknowledged and "Application Launched.".
        Programmed,
        // The file was refused before anything reached the board (or a download already ran).
        Refused,
        // The board did not erase, did not acknowledge a row, or did not start the application.
        Failed,
        // "Disconnection" (or Ctrl+C, or a lost link) stopped it after the step it was in.
        Abandoned,
        // A step could not open the port ("Connection refused.").
        NoPort,
        // A bootloader reply did not come within the reply time-out.
        NoReply,
    };
    // The step it ended in.
    enum Step
    {
        FileCheck,
        Reset,
        Version,
        Erase,
        Rows,
        Launch,
    };

    Outcome outcome = Refused;
    Step step = FileCheck;
    // The start (word address) of the row that was not acknowledged; -1 for none.
    int row = -1;
    // What went wrong, in words ("" for Programmed).
    QString reason;

    bool programmed() const { return outcome == Programmed; }
};
