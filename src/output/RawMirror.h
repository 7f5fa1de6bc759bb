#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class MirrorOutlet;

// A raw mirror of the port: every byte the board sends, in order, as it arrives, for another
// program. Two kinds: a pseudo-terminal (raw mode) with a symbolic link to it at a path the user
// chose, which the other program opens as if it were the board's port (Linux only); and a TCP
// server, "tcp:PORT" (127.0.0.1 only unless an address is given, "tcp:ADDRESS:PORT"), that sends
// the bytes to each connected client. It only reads: whatever the other program writes into the
// mirror is read and dropped, never passed to the board. A reader that falls behind, or none at
// all, never slows the program: bytes that would take the mirror's backlog past BacklogBytes are
// dropped and counted. Every event is reported as one text for the message log.
class RawMirror : public QObject
{
    Q_OBJECT
public:
    using Report = std::function<void(const QString&)>;
    // Unread bytes the mirror holds for its reader (about a second at 38400 baud).
    static constexpr int BacklogBytes = 4000;

    explicit RawMirror(Report report, QObject* parent = nullptr);
    // Closes (reported as a normal close).
    ~RawMirror() override;

    // Opens the mirror at the target: "tcp:..." for the TCP server, otherwise the path of the
    // pseudo-terminal's link, replacing a stale link (one whose target is gone) but nothing
    // else. Reports "Mirroring the port at TARGET (DEVICE)." or why not and returns false. An
    // open mirror is closed first.
    bool open(const QString& target);
    // Removes the link (or stops the server) and reports
    // "Mirror TARGET closed: N bytes mirrored, M dropped." Nothing when not open.
    void close();
    bool isOpen() const { return m_outlet != nullptr; }

    // The board's bytes, in the order received; never blocks.
    void write(const QByteArray& bytes);

    // The target given to open.
    QString linkPath() const { return m_linkPath; }
    // The pseudo-terminal's device ("/dev/pts/7"), or the server's address ("127.0.0.1:5760").
    QString devicePath() const { return m_devicePath; }
    qint64 mirrored() const { return m_mirrored; }
    qint64 dropped() const { return m_dropped; }
    // Bytes the reader wrote into the mirror (read and dropped).
    qint64 ignored() const;

    // The target the window offers first (a link under /tmp on Linux, tcp:5760 on Windows),
    // and the words that say which targets this platform has.
    static QString defaultTarget();
    static QString targetHelp();

private:
    Report m_report;
    std::unique_ptr<MirrorOutlet> m_outlet;
    QString m_linkPath;
    QString m_devicePath;
    qint64 m_mirrored = 0;
    qint64 m_dropped = 0;
};
