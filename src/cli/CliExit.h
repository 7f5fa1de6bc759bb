#pragma once

// The exit codes of every command, for scripts that tell the outcomes apart.
enum CliExit
{
    ExitDone = 0,
    // The board refused or failed: a row, a checksum, a constant that does not match.
    ExitBoardFailed = 1,
    // Bad usage or a bad file; nothing was sent.
    ExitBadUsage = 2,
    // The port could not be opened, or the link was lost.
    ExitPortTrouble = 3
};
