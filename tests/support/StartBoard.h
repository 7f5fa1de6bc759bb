#pragma once

#include "support/BoardProcess.h"

#include <QTest>

// Starts the virtual board with the test as the far end of its link; the test stops here when
// the board does not come up.
#define START_BOARD(name, ...)                                                                     \
    BoardProcess name(QStringList{__VA_ARGS__},                                                    \
                      BoardProcess::OpenPort | BoardProcess::ShowErrors);                          \
    QVERIFY2(name.error().isEmpty(), qPrintable(name.error()))
