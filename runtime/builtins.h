// The runtime's own functions, entered into the function table at start.
#pragma once

#include <cstdint>
#include <span>

#include "functions.h"

namespace apprt {

std::span<const FunctionDef> builtinFunctions();

// The pieces each service file contributes.
Value fnFErase(Args a);
Value fnFCreate(Args a);
Value fnFWrite(Args a);
Value fnFClose(Args a);
Value fnSysClipboard(Args a);
Value fnDesktop(Args a);
Value fnDllCall(Args a);

namespace detail {
// The desktop's window handle: 0 where windows have no handles to pass on.
std::int64_t desktopWindowHandle();
}  // namespace detail

}  // namespace apprt
