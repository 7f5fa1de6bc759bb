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

    // What a command does with its boards beyond polling them.
    struct Command
    {
        // Reads the command's own options after the boards' ones: -1 to go on, else the exit
        // code after an error line. Nothing is open yet.
        std::function<int(const CliOptions& options, const Polling& polling)> prepare;
        // Starts the outputs of board i (its port and mirror are open); false after the line
        // of what failed.
        std::function<bool(CliBoards& boards, CliBoard& board, std::size_t i)> start;
        // Ends the outputs of board i: its board was lost, or the run is over.
        std::function<void(std::size_t i)> stop;
        // The line of board i written once a second while it is not lost ("" for none).
        std::function<QString(CliBoard& board, std::size_t i)> report;
    };

    // --port (more than once for several boards), --speed, --rate, --seconds, --mirror.
    static void addOptions(CliOptions& options);
    // A board's file name in a folder of recordings: the COM name, or the device's file name.
    static QString fileNameOf(const QString& port);
    // The whole command: parses args with the options (the boards' and the command's own),
    // opens every board and its mirror, starts their outputs, polls them, and stops the
    // outputs. Returns the exit code: 3 when a board was lost, 0 when the run ended by
    // --seconds, Ctrl+C or stop(), else the code of what failed first.
    static int run(Terminal& terminal, CliOptions& options, const QStringList& args,
                   const Command& command);

    // Ends the run (a command whose outputs have all stopped).
    void stop();
    bool several() const { return m_boards.size() > 1; }
    std::vector<std::unique_ptr<CliBoard>>& boards() { return m_boards; }

private:
    CliBoards(Terminal& terminal, const QStringList& ports, const Command& command);

    // The rate, seconds and mirrors of parsed options; -1 to go on, else the exit code after
    // an error line.
    static int parse(Terminal& terminal, const CliOptions& options, Polling& polling);
    // Opens every port and its mirror, then starts the outputs; at the first failure (after its
    // line) closes what was opened and returns the exit code (3 for a port, 2 for a mirror or
    // an output); -1 when all run.
    int open(const QString& speed, const QStringList& mirrors);
    // Polls every board and runs the event loop, with each board's line once a second.
    void poll(const Polling& polling);
    // Stops polling and closes every port still open.
    void finish();
    // Ends the outputs that were started.
    void stopOutputs();
    bool anyLost() const;
    bool allLost() const;

    const Command& m_command;
    std::vector<std::unique_ptr<CliBoard>> m_boards;
    // Boards whose outputs were started, from the first.
    std::size_t m_started = 0;
    QEventLoop* m_loop = nullptr;
};
