// The runtime's own functions, entered into the function table at start.
#pragma once

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

}  // namespace apprt
