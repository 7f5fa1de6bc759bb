#pragma once

#include "CliBoard.h"

#include <QEventLoop>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class CliOptions;
class Terminal;

// The boards of one record or stream command (--port given once or more) and the run that
// polls them all: until --seconds, Ctrl+C, or every board lost. A lost board ends on its own
// (its outputs first, then its line) and the others go on.
class CliBoards
{
public:
    struct Polling
    {
        int rateMs = 33;
        // 0: until Ctrl+C.
        double seconds = 0;
        QStringList mirrors;
    };

    // --port (more than once for several boards), --speed, --rate, --seconds, --mirror.
    static void addOptions(CliOptions& options);
    // The rate, seconds and mirrors of parsed options; -1 to go on, else the exit code after
    // an error line.
    static int parse(Terminal& terminal, const CliOptions& options, Polling& polling);
    // A board's file name in a folder of recordings: the COM name, or the device's file name.
    static QString fileNameOf(const QString& port);

    CliBoards(Terminal& terminal, const QStringList& ports);

    bool several() const { return m_boards.size() > 1; }
    std::vector<std::unique_ptr<CliBoard>>& boards() { return m_boards; }

    // Opens every port and its mirror; at the first failure (after its line) closes what was
    // opened and returns the exit code (3 for a port, 2 for a mirror); -1 when all are open.
    int open(const QString& speed, const QStringList& mirrors);
    // What a command does when one of its boards is lost, before the board's line.
    void setOnLost(std::function<void(CliBoard&)> onLost) { m_onLost = std::move(onLost); }
    // Polls every board and runs the event loop; everySecond is called once a second.
    void run(const Polling& polling, const std::function<void()>& everySecond);
    // Ends run() (a command whose outputs have all stopped).
    void stop();
    // Stops polling and closes every port still open.
    void finish();
    bool anyLost() const;
    bool allLost() const;

private:
    Terminal& m_terminal;
    std::vector<std::unique_ptr<CliBoard>> m_boards;
    std::function<void(CliBoard&)> m_onLost;
    QEventLoop* m_loop = nullptr;
};
