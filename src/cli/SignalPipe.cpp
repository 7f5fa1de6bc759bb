#include "SignalPipe.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

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

SignalPipe::SignalPipe(QObject* parent) : QObject(parent)
{
    if (::pipe2(m_fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_writeFd = m_fds[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_fds[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SignalPipe::onReadable);
    handle(SIGINT, onSignal);
    handle(SIGTERM, onSignal);
}

SignalPipe::~SignalPipe()
{
    handle(SIGINT, SIG_DFL);
    handle(SIGTERM, SIG_DFL);
    g_writeFd = -1;
    m_notifier.reset();
    for (int fd : m_fds) {
        if (fd >= 0)
            ::close(fd);
    }
}

void SignalPipe::onReadable()
{
    unsigned char bytes[16];
    ssize_t count = 0;
    while ((count = ::read(m_fds[0], bytes, sizeof bytes)) > 0) {
        m_lastSignal = bytes[count - 1];
        for (ssize_t i = 0; i < count; ++i)
            emit interrupted(bytes[i]);
    }
}
