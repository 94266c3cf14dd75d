// What the file services of every platform check the same way.
#pragma once

#include <cstdint>
#include <string>

#include "value.h"

namespace apprt::detail {

// A path the system can take: not empty, no embedded NUL.
inline bool usablePath(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

// A handle as the caller passed it; -1 for any number no handle can be.
inline int handleOf(const Value& v, const char* fn) {
    const std::int64_t h = v.integer(fn);
    return h < 0 || h > 0x7fffffff ? -1 : static_cast<int>(h);
}

}  // namespace apprt::detail
