#include "SignalPipe.h"

#include <QMetaObject>

#include <csignal>
#include <mutex>
#include <windows.h>

// The system calls the console handler on a thread of its own: it only posts the request to the
// loop of the live object. A closed console window ends the process once the handler returns,
// so for that one the handler waits (a few seconds at most, as Windows allows) until the program
// has let the object go, which it does on its way out.
struct SignalPipe::Platform
{
    static BOOL WINAPI onConsoleEvent(DWORD event)
    {
        {
            // Held while posting, so the object cannot go away in the middle.
            const std::lock_guard<std::mutex> hold(guard);
            SignalPipe* pipe = live;
            if (!pipe)
                return FALSE;
            const int number = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
            QMetaObject::invokeMethod(
                pipe, [pipe, number] { pipe->deliver(number); }, Qt::QueuedConnection);
        }
        if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
            WaitForSingleObject(done, 4500);
        return TRUE;
    }

    static inline std::mutex guard;
    static inline SignalPipe* live = nullptr;
    static inline HANDLE done = nullptr;
};

SignalPipe::SignalPipe(QObject* parent) : QObject(parent)
{
    if (!Platform::done)
        Platform::done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(Platform::done);
    const std::lock_guard<std::mutex> hold(Platform::guard);
    Platform::live = this;
    SetConsoleCtrlHandler(&Platform::onConsoleEvent, TRUE);
}

SignalPipe::~SignalPipe()
{
    SetConsoleCtrlHandler(&Platform::onConsoleEvent, FALSE);
    {
        const std::lock_guard<std::mutex> hold(Platform::guard);
        Platform::live = nullptr;
    }
    SetEvent(Platform::done);
}
