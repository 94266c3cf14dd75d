// DLLCALL on Windows: LoadLibraryA, GetProcAddress, and the call in the named convention.
#include <windows.h>

#include "builtins.h"
#include "dynamic_call.h"
#include "error.h"

namespace apprt {

Value fnDllCall(Args a) {
    const std::string& library = a[0].text("DLLCALL");
    const std::int64_t convention = a[1].isNil() ? 0 : a[1].integer("DLLCALL");
    const std::string& function = a[2].text("DLLCALL");
    const auto rest = a.span().size() > 3 ? a.span().subspan(3) : std::span<const Value>();
    if (library.find('\0') != std::string::npos || function.find('\0') != std::string::npos)
        throw Error("DLLCALL", "a library or function name holds a NUL byte");

    const detail::NativeArgs args(rest);
    // Never freed: a function may leave work behind in its library (SHELL32
    // starts threads for ShellExecuteA) that would run into unmapped code.
    HMODULE handle = LoadLibraryA(library.c_str());
    if (!handle) {
        Value answer;
        if (detail::callStandIn(library, function, rest, answer)) return answer;
        throw Error("DLLCALL", "cannot load library '" + library + "': error " +
                                   std::to_string(GetLastError()));
    }
    void* fn = reinterpret_cast<void*>(GetProcAddress(handle, function.c_str()));
    if (!fn) throw Error("DLLCALL", "no function '" + function + "' in '" + library + "'");
    // Code 32 is the standard Windows convention (stdcall); others are C's.
    return Value(static_cast<std::int64_t>(detail::callNative(fn, args.words(), convention == 32)));
}

}  // namespace apprt
