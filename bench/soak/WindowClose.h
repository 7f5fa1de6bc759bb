#pragma once

#include <QString>
#include <QtGlobal>

// Asks the top-level window titled title of process pid to close, as a window manager's close
// button does (a WM_DELETE_WINDOW message). False, with the reason in error, when there is no
// display or no such window.
bool CloseWindow(qint64 pid, const QString& title, QString& error);
