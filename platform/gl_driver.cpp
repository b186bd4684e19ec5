// gl_driver.cpp -- pins the loaded Mesa driver (any "*_dri.so") so that it is never unloaded.
#include "platform/gl_driver.h"

#include <dlfcn.h>
#include <link.h>

#include <string_view>

namespace qm {

namespace {

int pinDriver(dl_phdr_info* info, size_t, void*) {
    const std::string_view name = info->dlpi_name ? info->dlpi_name : "";
    // Already loaded, so nothing is loaded here: the driver only becomes permanent.
    if (name.find("_dri.so") != std::string_view::npos)
        dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

}  // namespace

void keepGlDriverLoaded() {
    static bool pinned = false;
    if (pinned) return;
    dl_iterate_phdr(&pinDriver, nullptr);
    pinned = true;
}

}  // namespace qm
