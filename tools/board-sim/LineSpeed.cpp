#include "LineSpeed.h"

// The kernel's termios2 carries the speed as a number, whichever way it was set; <termios.h>
// would clash with it, so this file is compiled on its own.
#include <asm/termbits.h>
#include <sys/ioctl.h>

int LineSpeedOf(int masterFd)
{
    struct termios2 line
    {};
    if (masterFd < 0 || ioctl(masterFd, TCGETS2, &line) != 0)
        return 0;
    return static_cast<int>(line.c_ospeed);
}
