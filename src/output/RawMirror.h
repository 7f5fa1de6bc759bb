#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <functional>
#include <memory>

// A raw mirror of the port: a pseudo-terminal (raw mode) with a symbolic link to it at a path
// the user chose, so another program can open the link as if it were the board's port and
// read every byte the board sends, in order, as it arrives. It only reads: whatever the other
// program writes into the mirror is read and dropped, never passed to the board. A reader that
// falls behind, or none at all, never slows the program: bytes that would take the mirror's
// backlog past BacklogBytes are dropped and counted. Every event is reported as one text for
// the message log.
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

    // Opens the pseudo-terminal and makes the link at linkPath, replacing a stale link (one
    // whose target is gone) but nothing else; reports "Mirroring the port at PATH (DEVICE)."
    // or why not and returns false. An open mirror is closed first.
    bool open(const QString& linkPath);
    // Removes the link and reports "Mirror PATH closed: N bytes mirrored, M dropped."
    // Nothing when not open.
    void close();
    bool isOpen() const { return m_master >= 0; }

    // The board's bytes, in the order received; never blocks.
    void write(const QByteArray& bytes);

    QString linkPath() const { return m_linkPath; }
    // The pseudo-terminal's device ("/dev/pts/7").
    QString devicePath() const { return m_devicePath; }
    qint64 mirrored() const { return m_mirrored; }
    qint64 dropped() const { return m_dropped; }
    // Bytes the reader wrote into the mirror (read and dropped).
    qint64 ignored() const { return m_ignored; }

private:
    void drainInput();
    bool makeLink(const QString& path, QString& error);
    void removeLink();

    Report m_report;
    int m_master = -1;
    int m_slave = -1;
    std::unique_ptr<QSocketNotifier> m_input;
    QString m_linkPath;
    QString m_devicePath;
    qint64 m_mirrored = 0;
    qint64 m_dropped = 0;
    qint64 m_ignored = 0;
};
