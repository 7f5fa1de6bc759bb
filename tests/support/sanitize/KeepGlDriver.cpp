// Linked into every test of the sanitizer build (with a DISPLAY set, the offscreen platform
// uses GLX as well). Mesa unloads its software driver when
// the last OpenGL context goes, and LeakSanitizer then meets the driver's own allocations with
// no module to name them by, so no suppression can match them. Holding the driver open for the
// life of the test keeps those allocations attributable to "swrast_dri" (see tests/lsan.supp);
// the program's own leaks are reported as before.

#include <dlfcn.h>

#include <initializer_list>

namespace {

struct KeepGlDriver
{
    KeepGlDriver()
    {
        for (const char* path : {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", "swrast_dri.so"}) {
            if (dlopen(path, RTLD_LAZY | RTLD_NODELETE))
                return;
        }
    }
};

const KeepGlDriver keepGlDriver;

} // namespace
