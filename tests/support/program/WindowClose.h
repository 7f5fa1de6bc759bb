#pragma once

#include <QString>
#include <QtGlobal>

// The shown top-level window of process pid whose title starts with title; 0 when there is no
// display or no such window.
quint64 FindWindow(qint64 pid, const QString& title);

// Asks the top-level window titled title of process pid to close, as a window manager's close
// button does (a WM_DELETE_WINDOW message). False, with the reason in error, when there is no
// display or no such window.
bool CloseWindow(qint64 pid, const QString& title, QString& error);
