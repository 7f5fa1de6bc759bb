#pragma once

#include "output/MirrorOutlet.h"

#include <QObject>

#include <functional>
#include <memory>

// The mirror as a pseudo-terminal (raw mode) with a symbolic link to it at a path the user chose,
// so another program opens the link as if it were the board's port. Linux only: elsewhere the
// open is refused with the reason.
std::unique_ptr<MirrorOutlet> OpenPtyMirror(const QString& linkPath, int backlogBytes,
                                            QString& error);
// The target the mirror's prompt offers first, and the prompt's words on the kinds of target.
QString DefaultMirrorTarget();
QString MirrorTargetHelp();
