#include "SignalPipe.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

// The self-pipe pattern: the handler only writes one byte, the loop reads it.
namespace {

// A signal handler can reach nothing but this: the write end of the one live pipe.
volatile std::sig_atomic_t g_writeFd = -1;

void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    if (g_writeFd >= 0) [[maybe_unused]]
        const ssize_t written = ::write(g_writeFd, &byte, 1);
    errno = saved;
}

void handle(int number, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
}

} // namespace

struct SignalPipe::Platform
{
    int fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
};

SignalPipe::SignalPipe(QObject* parent) : QObject(parent), m_platform(std::make_unique<Platform>())
{
    int* fds = m_platform->fds;
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_writeFd = fds[1];
    m_platform->notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
    connect(m_platform->notifier.get(), &QSocketNotifier::activated, this, [this, fds] {
        unsigned char bytes[16];
        ssize_t count = 0;
        while ((count = ::read(fds[0], bytes, sizeof bytes)) > 0) {
            for (ssize_t i = 0; i < count; ++i)
                deliver(bytes[i]);
        }
    });
    handle(SIGINT, onSignal);
    handle(SIGTERM, onSignal);
}

SignalPipe::~SignalPipe()
{
    handle(SIGINT, SIG_DFL);
    handle(SIGTERM, SIG_DFL);
    g_writeFd = -1;
    m_platform->notifier.reset();
    for (int fd : m_platform->fds) {
        if (fd >= 0)
            ::close(fd);
    }
}
