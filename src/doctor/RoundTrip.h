#pragma once

#include <QList>

class BoardSession;

// What the round trip measurement saw.
struct RoundTripFigures
{
    int rateMs = 0;
    // "F" requests sent, answered by a measurement frame, and left without one.
    int polls = 0;
    int answered = 0;
    int lost = 0;
    // Ended early: none of the first requests was answered.
    bool silent = false;
    // Ended early: the port closed or the link was lost.
    bool interrupted = false;
    // From "F" written to its frame complete, one per answered request.
    QList<double> roundTripsMs;
    // Between one frame complete and the next.
    QList<double> intervalsMs;
    qint64 bytesReceived = 0;
    // Bytes the receiver dropped because they started no frame.
    qint64 skippedBytes = 0;
    // The length of the last measurement frame on the wire.
    int frameBytes = 0;
};

// The value below which the share p (0..1) of the values lie (nearest rank); 0 for none.
double Percentile(QList<double> values, double p);
double Mean(const QList<double>& values);
double StandardDeviation(const QList<double>& values);

// Polls the board of a receiving session with "F", one request at a time, every rateMs (a
// request still unanswered then is waited for, and counted lost after the reply limit), until
// `polls` requests were sent and answered or lost. The session's own polling pauses meanwhile
// and is restored after. Waits in a nested event loop.
class RoundTrip
{
public:
    // A request without its frame after this long (or three poll intervals, if longer) is
    // lost.
    static constexpr int ReplyLimitMs = 250;
    // With no frame for this many requests in a row from the start, the board is silent.
    static constexpr int SilentAfter = 5;

    explicit RoundTrip(BoardSession& session) : m_session(session) {}

    RoundTripFigures measure(int rateMs, int polls);

private:
    BoardSession& m_session;
};
