// DLLCALL's argument passing, the same on every platform.
#include "dynamic_call.h"

#include "builtins.h"
#include "error.h"

namespace apprt::detail {

NativeArgs::NativeArgs(std::span<const Value> values) {
    if (values.size() > kMaxDynamicArgs)
        throw Error("DLLCALL", "takes at most " + std::to_string(kMaxDynamicArgs) +
                                   " arguments for the function, got " + std::to_string(values.size()));
    texts_.reserve(values.size());  // no reallocation: words_ point into it
    for (std::size_t i = 0; i < values.size(); ++i) {
        const Value& v = values[i];
        switch (v.kind()) {
        case Kind::Nil: words_.push_back(0); break;
        case Kind::Logical: words_.push_back(v.logical() ? 1 : 0); break;
        case Kind::Number:
            words_.push_back(static_cast<std::intptr_t>(v.integer("DLLCALL")));
            break;
        case Kind::Text:
            texts_.push_back(v.text());
            words_.push_back(reinterpret_cast<std::intptr_t>(texts_.back().c_str()));
            break;
        default:
            throw Error("DLLCALL", "argument " + std::to_string(i + 1) + " cannot be passed: " +
                                       kindName(v.kind()));
        }
    }
}

namespace {

template <std::size_t... I>
std::intptr_t callWith(void* fn, const std::vector<std::intptr_t>& w, bool stdcall,
                       std::index_sequence<I...>) {
#if defined(_WIN32) && defined(__i386__)
    if (stdcall) {
        using Fn = std::intptr_t(__stdcall*)(decltype(I, std::intptr_t{})...);
        const std::intptr_t result = reinterpret_cast<Fn>(fn)(w[I]...);
        // No tail call: GCC would jump to the function with our caller's
        // frame, and a callee that pops its own arguments would leave that
        // caller's stack short.
        asm volatile("" ::: "memory");
        return result;
    }
#else
    (void)stdcall;
#endif
    using Fn = std::intptr_t (*)(decltype(I, std::intptr_t{})...);
    return reinterpret_cast<Fn>(fn)(w[I]...);
}

template <std::size_t... N>
std::intptr_t dispatch(void* fn, const std::vector<std::intptr_t>& w, bool stdcall,
                       std::index_sequence<N...>) {
    std::intptr_t result = 0;
    // The callee must see exactly as many arguments as it declares: under
    // stdcall it removes them from the stack itself.
    (void)((w.size() == N ? (result = callWith(fn, w, stdcall, std::make_index_sequence<N>{}), true)
                          : false) ||
           ...);
    return result;
}

}  // namespace

std::intptr_t callNative(void* fn, const std::vector<std::intptr_t>& words, bool stdcall) {
    return dispatch(fn, words, stdcall, std::make_index_sequence<kMaxDynamicArgs + 1>{});
}

}  // namespace apprt::detail

namespace apprt {

Value fnDllCall(Args a) {
    const std::string& library = a[0].text("DLLCALL");
    const std::int64_t convention = a[1].isNil() ? 0 : a[1].integer("DLLCALL");
    const std::string& function = a[2].text("DLLCALL");
    const auto rest = a.span().size() > 3 ? a.span().subspan(3) : std::span<const Value>();
    if (library.find('\0') != std::string::npos || function.find('\0') != std::string::npos)
        throw Error("DLLCALL", "a library or function name holds a NUL byte");

    const detail::NativeArgs args(rest);  // kinds are checked before anything is loaded
    bool noLibrary = false;
    std::string why;
    void* fn = detail::openFunction(library, function, noLibrary, why);
    if (!fn && noLibrary) {
        Value answer;
        if (detail::callStandIn(library, function, rest, answer)) return answer;
        throw Error("DLLCALL", "cannot load library '" + library + "'" + (why.empty() ? "" : ": " + why));
    }
    if (!fn) throw Error("DLLCALL", "no function '" + function + "' in '" + library + "'");
    // Code 32 names the standard Windows convention (stdcall); every other
    // code, and every platform without one, calls in the C convention.
    return Value(static_cast<std::int64_t>(detail::callNative(fn, args.words(), convention == 32)));
}

}  // namespace apprt
