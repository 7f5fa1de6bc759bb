#pragma once

// The speed the program has set on its side of the pseudo-terminal. The pair shares one set of
// line settings, so the board's (master) side reads what the program's serial layer wrote,
// custom speeds (28800) too. 0 when it cannot be read.
int LineSpeedOf(int masterFd);
