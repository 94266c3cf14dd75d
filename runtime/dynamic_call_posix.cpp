// DLLCALL on POSIX: dlopen, dlsym, and a call in the C convention.
#include <dlfcn.h>

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

    const detail::NativeArgs args(rest);  // kinds are checked before anything is loaded
    // Never unloaded: a function may leave work behind in its library that
    // would run into unmapped code. dlopen counts; the library is mapped once.
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        Value answer;
        if (detail::callStandIn(library, function, rest, answer)) return answer;
        const char* why = dlerror();
        throw Error("DLLCALL", "cannot load library '" + library + "'" +
                                   (why ? std::string(": ") + why : std::string()));
    }
    void* fn = dlsym(handle, function.c_str());
    if (!fn) throw Error("DLLCALL", "no function '" + function + "' in '" + library + "'");
    // Code 32 names the standard Windows convention; this platform has one
    // convention for C functions.
    return Value(static_cast<std::int64_t>(detail::callNative(fn, args.words(), convention == 32)));
}

}  // namespace apprt
