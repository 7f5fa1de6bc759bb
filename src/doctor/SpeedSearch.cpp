#include "doctor/SpeedSearch.h"

#include "session/BoardSession.h"

#include <QEventLoop>
#include <QTimer>

namespace {

constexpr int MarginMs = 300;
// A long measurement frame and the request: 100 bytes.
constexpr int ReplyBytes = 100;

bool answersF(BoardSession& session, int waitMs)
{
    QEventLoop loop;
    bool answered = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&session.dispatch(), &FrameDispatch::frameSeen, &loop, [&] {
        answered = true;
        loop.quit();
    });
    QObject::connect(&session.port(), &SerialControl::closed, &loop, &QEventLoop::quit);
    session.link().SendCommand(QByteArrayLiteral("F"));
    deadline.start(waitMs);
    loop.exec();
    return answered;
}

} // namespace

int SpeedReplyWaitMs(int baud)
{
    if (baud <= 0)
        return MarginMs;
    return MarginMs + int(qint64(ReplyBytes) * 10 * 1000 / baud);
}

SpeedSearchResult FindSpeed(BoardSession& session, const QString& portName,
                            const QString& userSpeed, const QStringList& speeds)
{
    SpeedSearchResult result;
    const bool wasOpen = session.port().PortOpen();
    const bool wasPolling = session.pollingWanted();
    session.setPolling(false);
    QStringList order{userSpeed};
    for (const QString& speed : speeds) {
        if (!order.contains(speed))
            order.append(speed);
    }
    for (const QString& speed : order) {
        SpeedTry attempt;
        attempt.speed = speed;
        attempt.opened = session.OpenPort(portName, speed);
        if (attempt.opened)
            attempt.answered = answersF(session, SpeedReplyWaitMs(speed.toInt()));
        result.tries.append(attempt);
        if (attempt.answered) {
            result.found = speed;
            break;
        }
    }
    if (wasOpen)
        result.restored = session.OpenPort(portName, userSpeed);
    else {
        session.ClosePort();
        result.restored = true;
    }
    session.setPolling(wasPolling);
    return result;
}
