// DLLCALL: calling a function of a shared library by name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "value.h"

namespace apprt::detail {

// The most arguments DLLCALL passes to a function.
inline constexpr std::size_t kMaxDynamicArgs = 16;

// Arguments as the called function sees them: pointer-sized integers. Texts
// are passed as pointers to NUL-terminated copies, which live as long as this.
class NativeArgs {
public:
    explicit NativeArgs(std::span<const Value> values);
    const std::vector<std::intptr_t>& words() const { return words_; }

private:
    std::vector<std::string> texts_;
    std::vector<std::intptr_t> words_;
};

// Calls `fn` with exactly the given words in the platform's C convention, or
// in the standard Windows convention (stdcall) where `stdcall` is set and the
// platform has one.
std::intptr_t callNative(void* fn, const std::vector<std::intptr_t>& words, bool stdcall);

// The platform's part of DLLCALL: the function of the library, loaded and kept
// loaded (a function may leave work behind in its library, as SHELL32 leaves
// threads, that would run into unmapped code). nullptr when either is missing;
// `noLibrary` then says which, and `why` adds the system's reason.
void* openFunction(const std::string& library, const std::string& function, bool& noLibrary,
                   std::string& why);

// What the runtime's own desktop layer answers in place of a system library
// that the platform does not have (SHELL32.DLL's ShellExecuteA on Linux).
// False when it has no stand-in for that library.
bool callStandIn(const std::string& library, const std::string& function,
                 std::span<const Value> args, Value& answer);

}  // namespace apprt::detail
