#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class BoardSession;

// One speed tried.
struct SpeedTry
{
    QString speed;
    bool opened = false;
    bool answered = false;
};

struct SpeedSearchResult
{
    QList<SpeedTry> tries;
    // The speed at which a measurement frame came back ("" when none did).
    QString found;
    // The user's speed is in force again (the port reopened at it, or closed as it was).
    bool restored = false;
};

// Looks for the speed the board talks at: opens the port at each speed in turn (the user's
// first, then the list's), sends "F" and waits for a measurement frame, up to its wire time
// and a margin; it sends nothing else. Stops at the first speed that answers, then opens the
// port again at the user's speed (or leaves it closed, as it was). The session's polling
// pauses meanwhile. Waits in nested event loops.
SpeedSearchResult FindSpeed(BoardSession& session, const QString& portName,
                            const QString& userSpeed, const QStringList& speeds);

// How long a reply at the speed may take: the request and a long frame on the wire, and a
// margin for the board and the system.
int SpeedReplyWaitMs(int baud);
