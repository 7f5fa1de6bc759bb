#include "doctor/RoundTrip.h"

#include "session/BoardSession.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>

double Percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<qsizetype>(std::ceil(p * double(values.size())));
    return values.at(std::clamp<qsizetype>(rank - 1, 0, values.size() - 1));
}

double Mean(const QList<double>& values)
{
    if (values.isEmpty())
        return 0;
    double sum = 0;
    for (double v : values)
        sum += v;
    return sum / double(values.size());
}

double StandardDeviation(const QList<double>& values)
{
    if (values.size() < 2)
        return 0;
    const double mean = Mean(values);
    double squares = 0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    return std::sqrt(squares / double(values.size() - 1));
}

RoundTripFigures RoundTrip::measure(int rateMs, int polls)
{
    RoundTripFigures f;
    f.rateMs = rateMs;
    if (!m_session.receiving()) {
        f.interrupted = true;
        return f;
    }
    const bool wasPolling = m_session.pollingWanted();
    m_session.setPolling(false);
    const qint64 skippedBefore = m_session.receiver().skipped();
    const qint64 limitNs = qint64(std::max(ReplyLimitMs, 3 * rateMs)) * 1000000;

    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    qint64 sentAt = -1;
    qint64 lastFrameAt = -1;

    const auto poll = [&] {
        if (sentAt >= 0) {
            if (clock.nsecsElapsed() - sentAt < limitNs)
                return;
            ++f.lost;
            sentAt = -1;
            if (f.answered == 0 && f.lost >= SilentAfter) {
                f.silent = true;
                loop.quit();
                return;
            }
        }
        if (f.polls >= polls) {
            loop.quit();
            return;
        }
        ++f.polls;
        sentAt = clock.nsecsElapsed();
        m_session.link().SendCommand(QByteArrayLiteral("F"));
    };
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(std::max(1, rateMs));
    QObject::connect(&tick, &QTimer::timeout, &loop, poll);
    QObject::connect(&m_session.dispatch(), &FrameDispatch::frameSeen, &loop, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastFrameAt >= 0)
            f.intervalsMs.append(double(now - lastFrameAt) / 1e6);
        lastFrameAt = now;
        // A frame nobody asked for (the board's own stream) times nothing.
        if (sentAt < 0)
            return;
        f.roundTripsMs.append(double(now - sentAt) / 1e6);
        ++f.answered;
        sentAt = -1;
        if (f.polls >= polls)
            loop.quit();
    });
    QObject::connect(&m_session, &BoardSession::received, &loop,
                     [&](const QByteArray& bytes) { f.bytesReceived += bytes.size(); });
    const auto stopped = [&] {
        f.interrupted = true;
        loop.quit();
    };
    QObject::connect(&m_session, &BoardSession::lost, &loop, stopped);
    QObject::connect(&m_session.port(), &SerialControl::closed, &loop, stopped);
    const int listener = m_session.stream().subscribe([&](const Measurement& m) {
        f.frameBytes = m.kind == 'C' ? 33 : 2 + 4 * int(m.values.size());
    });

    poll();
    tick.start();
    if (!f.interrupted && !f.silent)
        loop.exec();
    tick.stop();
    m_session.stream().unsubscribe(listener);
    f.skippedBytes = m_session.receiver().skipped() - skippedBefore;
    m_session.setPolling(wasPolling);
    return f;
}
