#pragma once

#include <QSysInfo>
#include <QTest>

// Skips a case that rests on what only Linux has (device files such as /dev/full, pseudo-
// terminals, removing a folder that holds an open file), saying why.
#define SKIP_UNLESS_LINUX(why)                                                                     \
    do {                                                                                           \
        if (QSysInfo::kernelType() != QLatin1String("linux"))                                      \
            QSKIP(why);                                                                            \
    } while (false)

// Skips a case where Wine does not behave as Windows does, saying how; scripts/windows sets
// SKYVANE_UNDER_WINE for the tests it runs under Wine. On Windows itself the case runs.
#define SKIP_UNDER_WINE(why)                                                                       \
    do {                                                                                           \
        if (qEnvironmentVariableIsSet("SKYVANE_UNDER_WINE"))                                       \
            QSKIP(why);                                                                            \
    } while (false)
