#pragma once
// Mesa unloads its driver when the last OpenGL context goes away; the
// driver's allocations that live to the end of the process then have no
// module name under LeakSanitizer and escape the suppressions for it. GL
// suites include this to keep the driver loaded for the whole run.

#include <dlfcn.h>

namespace {
[[maybe_unused]] const bool GlDriverPinned = [] {
    for (const char* path : {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
                             "/usr/lib/aarch64-linux-gnu/dri/swrast_dri.so",
                             "/usr/lib64/dri/swrast_dri.so", "/usr/lib/dri/swrast_dri.so"})
        if (dlopen(path, RTLD_LAZY | RTLD_NODELETE))
            return true;
    return false;
}();
} // namespace
