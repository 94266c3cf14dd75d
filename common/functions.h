// The function table: functions called by name, and the modules that bring them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>
#include <memory>
#include <string>
#include <string_view>

#include "export.h"
#include "value.h"

namespace apprt {

// The runtime's version as modules declare it: 200 is "2.00".
inline constexpr int kRuntimeVersion = 200;

using NativeFn = Value (*)(Args args);

// One entry of a module's static table of exported functions.
struct FunctionDef {
    const char* name;
    NativeFn fn;
    int params;  // declared parameters; a caller may pass fewer, the rest are nil
};

// What a module hands the runtime when it is loaded. Every module defines
//     APPRT_MODULE_ENTRY const apprt::ModuleInfo* apprt_module();
// and registers nothing itself: the runtime checks the version, then enters
// the table, and removes it again when the module is unloaded.
struct ModuleInfo {
    const char* name;
    int runtimeVersion;  // the version the module needs, 200 for "2.00"
    const FunctionDef* functions;
    std::size_t count;
};

using FunctionBody = std::function<Value(Args)>;

// Calls the function registered under `name` (any case). Raises when there is
// none, or when more arguments are given than it declares.
APPRT_API Value call(std::string_view name, Args args = {});
APPRT_API bool hasFunction(std::string_view name);

// Enters a table under the module's name; raises and enters nothing when one
// of the names is taken already.
APPRT_API void registerFunctions(std::string_view module, std::span<const FunctionDef> table);
APPRT_API void unregisterFunctions(std::string_view module);

// The function now registered under `name`, as a callable that stays valid
// after the function is overridden: how an override reaches what it replaces.
APPRT_API FunctionBody currentFunction(std::string_view name);

// Puts `body` in place of the function `name` until the guard goes: how a host
// or a test supplies its own clipboard, sleep, dynamic call or FTP client.
class APPRT_API FunctionOverride {
public:
    FunctionOverride(std::string_view name, int params, FunctionBody body);
    ~FunctionOverride();
    FunctionOverride(const FunctionOverride&) = delete;
    FunctionOverride& operator=(const FunctionOverride&) = delete;

private:
    std::string name_;
    const void* token_;
};

// A loaded module. Unloading removes its functions; its code stays mapped, for
// the classes it created stay registered for the life of the process.
class APPRT_API Module {
public:
    ~Module();
    Module(Module&&) noexcept;
    Module& operator=(Module&&) noexcept;
    const std::string& name() const;
    const std::filesystem::path& path() const;

private:
    friend APPRT_API Module loadModule(std::string_view, const std::filesystem::path&);
    struct Impl;
    explicit Module(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Loads the module `name` ("kvdlink": libkvdlink.so here, kvdlink.dll on
// Windows) from `dir`, or from the directory of the running executable when
// `dir` is empty. Raises with the reason when the file is missing, is no
// module, or needs a newer runtime; nothing is registered then.
APPRT_API Module loadModule(std::string_view name, const std::filesystem::path& dir = {});

// The directory of the library (or executable) that holds `address`.
APPRT_API std::filesystem::path directoryOf(const void* address);

// The directory of the running executable.
APPRT_API std::filesystem::path executableDir();

}  // namespace apprt
