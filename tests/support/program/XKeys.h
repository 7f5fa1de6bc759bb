#pragma once

#include <QString>
#include <QtGlobal>

// Presses keys ("ctrl+r", "Return": xdotool's names) in the top-level window of process pid
// whose title starts with title, as the user does: the window gets the input focus and the
// keys go through the X server's test extension. Waits up to timeoutMs for the window to
// appear; false, with the reason in error, when it does not or xdotool fails.
bool PressKeys(qint64 pid, const QString& title, const QString& keys, QString& error,
               int timeoutMs = 10000);
