#pragma once

#include "support/BoardProcess.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The virtual board recording what it hears into a file of its own, so that a benchmark can
// count the requests that reached it: the program sends one byte ("F") per poll.
class ListeningBoard
{
public:
    // False (reason in error()) when the board does not start.
    bool start(const QString& boardSim, const QStringList& boardArguments);
    // Bytes the board has heard so far.
    qint64 heard() const;

    QString portPath() const { return m_board.portPath(); }
    qint64 pid() const { return m_board.pid(); }
    QString error() const { return m_board.error(); }

private:
    QTemporaryDir m_scratch;
    QString m_record;
    BoardProcess m_board;
};
