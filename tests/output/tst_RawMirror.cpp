#include "output/RawMirror.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// Another program's end of the mirror: the link opened as a serial port is.
class Reader
{
public:
    explicit Reader(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {}
    ~Reader()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    QByteArray read(qsizetype count, int timeoutMs = 2000)
    {
        QByteArray out;
        QElapsedTimer clock;
        clock.start();
        while (out.size() < count && clock.elapsed() < timeoutMs) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0)
                out.append(buffer, n);
        }
        return out;
    }
    void write(const QByteArray& bytes)
    {
        QCOMPARE(::write(m_fd, bytes.data(), bytes.size()), bytes.size());
    }

private:
    int m_fd;
};

} // namespace

class TestRawMirror : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QStringList m_log;
    RawMirror::Report report()
    {
        return [this](const QString& text) { m_log << text; };
    }

private slots:
    void init() { m_log.clear(); }

    // Every byte value in order, as written; what the reader writes is read and dropped.
    void mirrorsEveryByteAndDropsWhatComesBack()
    {
        const QString link = m_dir.filePath("mirror");
        RawMirror mirror(report());
        QVERIFY(mirror.open(link));
        QCOMPARE(QFileInfo(link).symLinkTarget(), mirror.devicePath());
        QCOMPARE(m_log,
                 QStringList{"Mirroring the port at " + link + " (" + mirror.devicePath() + ")."});
        Reader reader(link);
        QVERIFY(reader.isOpen());
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        mirror.write(all.left(100));
        mirror.write(all.mid(100));
        QCOMPARE(reader.read(256), all);
        QCOMPARE(mirror.mirrored(), 256);

        reader.write("CCCFFF[");
        QTRY_COMPARE(mirror.ignored(), 7);
        mirror.close();
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(m_log.last(), "Mirror " + link + " closed: 256 bytes mirrored, 0 dropped.");
    }

    // A reader that never reads: the mirror keeps its backlog and drops the rest, counted;
    // writing never waits.
    void aReaderThatNeverReadsLosesBytesNotTime()
    {
        const QString link = m_dir.filePath("stuck");
        RawMirror mirror(report());
        QVERIFY(mirror.open(link));
        Reader reader(link);
        const QByteArray chunk(74, 'F');
        QElapsedTimer took;
        took.start();
        for (int i = 0; i < 2000; ++i)
            mirror.write(chunk);
        QVERIFY2(took.elapsed() < 2000, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(mirror.mirrored() + mirror.dropped(), 2000 * 74);
        // The backlog is read off the reader's side, which the kernel fills a little after each
        // write: on a busy machine more than the backlog may pass, never everything.
        QVERIFY(mirror.mirrored() > RawMirror::BacklogBytes - 74);
        QVERIFY(mirror.dropped() > 0);
        const qint64 dropped = mirror.dropped();
        mirror.close();
        QCOMPARE(m_log.last(), QStringLiteral("Mirror %1 closed: %2 bytes mirrored, %3 dropped.")
                                   .arg(link)
                                   .arg(mirror.mirrored())
                                   .arg(dropped));
    }

    // A stale link is replaced; a live link, a file or a folder is not touched.
    void replacesOnlyAStaleLink()
    {
        const QString stale = m_dir.filePath("stale");
        QVERIFY(QFile::link(m_dir.filePath("gone"), stale));
        RawMirror mirror(report());
        QVERIFY(mirror.open(stale));
        QCOMPARE(QFileInfo(stale).symLinkTarget(), mirror.devicePath());

        RawMirror second(report());
        QVERIFY(!second.open(stale));
        QCOMPARE(m_log.last(), "Mirror refused: " + stale + " is a link to " + mirror.devicePath() +
                                   ", which is there; remove it first");
        const QString file = m_dir.filePath("file");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep");
        f.close();
        QVERIFY(!second.open(file));
        QCOMPARE(m_log.last(), "Mirror refused: " + file + " exists and is not a symbolic link");
        QCOMPARE(QFileInfo(file).size(), 4);
        QVERIFY(!second.open(m_dir.path()));
        QVERIFY(!second.isOpen());

        // Closing leaves a link that is no longer its own.
        mirror.close();
        QVERIFY(!QFileInfo(stale).isSymLink());
        QVERIFY(second.open(stale));
        QVERIFY(QFile::remove(stale));
        QVERIFY(QFile::link(file, stale));
        second.close();
        QVERIFY(QFileInfo(stale).isSymLink());
    }

    // Opening an open mirror closes it first, with its own line; a link another program
    // removed is no reason to fail the close; the mirror closes when it goes away.
    void reopenAndCloseTellTheirOwnLines()
    {
        const QString first = m_dir.filePath("first");
        const QString second = m_dir.filePath("second");
        {
            RawMirror mirror(report());
            QVERIFY(mirror.open(first));
            const QString firstDevice = mirror.devicePath();
            mirror.write("FG");
            mirror.write(QByteArray());
            QCOMPARE(mirror.mirrored(), 2);
            QVERIFY(mirror.open(second));
            QVERIFY(!QFileInfo(first).isSymLink());
            QCOMPARE(QFileInfo(second).symLinkTarget(), mirror.devicePath());
            QCOMPARE(mirror.linkPath(), second);
            QCOMPARE(mirror.mirrored(), 0);
            QCOMPARE(m_log,
                     (QStringList{"Mirroring the port at " + first + " (" + firstDevice + ").",
                                  "Mirror " + first + " closed: 2 bytes mirrored, 0 dropped.",
                                  "Mirroring the port at " + second + " (" + mirror.devicePath() +
                                      ")."}));
            QVERIFY(QFile::remove(second));
        }
        QCOMPARE(m_log.size(), 4);
        QCOMPARE(m_log.last(), "Mirror " + second + " closed: 0 bytes mirrored, 0 dropped.");
        QVERIFY(!QFileInfo::exists(second) && !QFileInfo(second).isSymLink());
    }

    // A link that cannot be made refuses the mirror and leaves nothing behind.
    void aLinkInAMissingFolderIsRefused()
    {
        const QString missing = m_dir.filePath("no-such-folder/ttyMirror");
        RawMirror mirror(report());
        QVERIFY(!mirror.open(missing));
        QVERIFY(!mirror.isOpen());
        QCOMPARE(mirror.devicePath(), QString());
        QCOMPARE(m_log, QStringList{"Mirror refused: cannot make the link " + missing +
                                    ": No such file or directory"});
        mirror.write("lost");
        QCOMPARE(mirror.mirrored(), 0);
        mirror.close();
        QCOMPARE(m_log.size(), 1);
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestRawMirror)
#include "tst_RawMirror.moc"
