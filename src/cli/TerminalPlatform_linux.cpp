#include "TerminalPlatform.h"

#include <unistd.h>

bool StreamIsTerminal(std::FILE* stream)
{
    return isatty(fileno(stream)) == 1;
}

QByteArray EraseLine(qsizetype)
{
    // Carriage return and "erase to the end of the line".
    return QByteArrayLiteral("\r\033[K");
}
