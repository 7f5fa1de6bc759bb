#include "TerminalPlatform.h"

#include <io.h>
#include <windows.h>

bool StreamIsTerminal(std::FILE* stream)
{
    const int fd = _fileno(stream);
    if (fd < 0 || !_isatty(fd))
        return false;
    // _isatty holds for any character device (NUL too): only a console redraws a line.
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), &mode) != 0;
}

QByteArray EraseLine(qsizetype length)
{
    // Every Windows console understands a carriage return; escape codes only some.
    return '\r' + QByteArray(length, ' ') + '\r';
}
