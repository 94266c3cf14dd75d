// The Windows desktop layer: the desktop window's handle. SHELL32.DLL is real
// here, so the runtime stands in for no system library.
#include <windows.h>

#include "builtins.h"
#include "dynamic_call.h"

namespace apprt::detail {

std::int64_t desktopWindowHandle() {
    return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(GetDesktopWindow()));
}

bool callStandIn(const std::string&, const std::string&, std::span<const Value>, Value&) {
    return false;
}

}  // namespace apprt::detail
