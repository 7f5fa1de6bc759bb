#pragma once

#include "DownloadRig.h"
#include "link/QtSerialControl.h"
#include "support/BoardProcess.h"

#include <memory>

using BoardLink = LinkOver<QtSerialControl>;

// The whole download against the virtual board on a pseudo-terminal.
struct BoardBench : DownloadRig<BoardLink>
{
    BoardBench() : DownloadRig(false) {}
    std::unique_ptr<BoardProcess> board;

    QString flashOut() const { return dir.filePath(QStringLiteral("flash.txt")); }
    QString received() const { return dir.filePath(QStringLiteral("received.bin")); }

    ~BoardBench()
    {
        link.port.setPortOpen(false);
        board.reset();
    }

    // Starts the board; the port is configured for it but left closed, as the download
    // opens it itself.
    bool start(const QStringList& extra)
    {
        board = std::make_unique<BoardProcess>(
            QStringList{"--flash-out", flashOut(), "--record", received()} + extra);
        if (board->portPath().isEmpty())
            return false;
        link.port.setDevicePath(board->portPath());
        link.port.setSettings(QStringLiteral("115200,n,8,1"));
        return true;
    }

    bool programmedLogged() const
    {
        for (const QString& line : log.lines) {
            if (line.startsWith(QStringLiteral("Flash Memory Programmed in ")))
                return true;
        }
        return false;
    }
};
