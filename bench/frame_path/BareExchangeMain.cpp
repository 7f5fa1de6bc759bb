// bench_bare_exchange PORT POLL_MS: the polling's bare exchange with a board, in a process of its
// own so that its CPU can be read from outside exactly as the program's is. A timer sends "F"
// every POLL_MS, and each reply is read as it arrives, in Qt's event loop, with nothing decoded or
// shown. It runs until it is ended (SIGTERM). Exit status 1 when the port cannot be opened or a
// request cannot be written.

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    bool numeric = false;
    const int pollMs = arguments.value(2).toInt(&numeric);
    if (arguments.size() != 3 || !numeric || pollMs <= 0) {
        std::fprintf(stderr, "usage: bench_bare_exchange PORT POLL_MS\n");
        return 2;
    }
    const int fd =
        ::open(arguments.at(1).toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        std::perror("bench_bare_exchange: open");
        return 1;
    }
    // Raw, as the program sets its port: a terminal's line discipline would hold the replies
    // back until a newline.
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);

    QSocketNotifier replies(fd, QSocketNotifier::Read);
    QObject::connect(&replies, &QSocketNotifier::activated, [fd] {
        char buffer[4096];
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
    });
    QTimer poll;
    // Precise, as the program's poll timer is at such rates: a coarse one fires up to 5 % early.
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(pollMs);
    QObject::connect(&poll, &QTimer::timeout, [fd] {
        if (::write(fd, "F", 1) != 1) {
            std::perror("bench_bare_exchange: write");
            QCoreApplication::exit(1);
        }
    });
    poll.start();
    return QCoreApplication::exec();
}
