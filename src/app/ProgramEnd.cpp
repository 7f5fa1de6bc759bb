#include "app/ProgramEnd.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#ifdef SKYVANE_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

void EndProcessNow()
{
    std::fflush(nullptr);
#ifdef SKYVANE_LEAK_CHECK
    // _Exit skips the exit-time leak check of the sanitizer build; run it here.
    __lsan_do_leak_check();
#endif
    std::_Exit(0);
}

void EndProcessAfter(int milliseconds)
{
    // A thread of its own: the window's thread may be the one that is stuck.
    std::thread([milliseconds] {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        std::_Exit(0);
    }).detach();
}
