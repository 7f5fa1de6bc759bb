#pragma once

#include <QString>

#include <memory>

// A pseudo-terminal in raw mode. The board works on the master side; the program opens the
// slave path as its serial port. A slave descriptor stays open here so that the program's
// own open/close cycles never hang up the master.
class PseudoTerminal
{
public:
    // Null, with `error` set, when no pseudo-terminal can be had.
    static std::unique_ptr<PseudoTerminal> open(QString& error);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    QString slavePath() const { return m_slavePath; }
    // Non-blocking; -1 once closed.
    int masterFd() const { return m_master; }
    // Bytes written by the board that the program has not read yet.
    int unreadBySlave() const;
    // Drops those bytes, as a serial port nobody listens to loses what arrives.
    void discardUnread();
    // Ends the link: the program's reads then fail.
    void closeMaster();

private:
    PseudoTerminal(int master, int slave, QString slavePath);

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
