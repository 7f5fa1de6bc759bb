#pragma once

// The end of the program when its window closes: at once, without running destructors, so that
// nothing (a download's wait, a stuck port) can hold the window open.

// Ends the process now, after flushing the standard streams.
[[noreturn]] void EndProcessNow();
// Ends the process after milliseconds unless it ended before: the bound on the work done on the
// way out (writing a recording to a disk that no longer answers).
void EndProcessAfter(int milliseconds);
