// Loading modules with LoadLibrary.
#include <windows.h>

#include <cstdio>

#include "error.h"
#include "functions.h"

namespace apprt {

struct Module::Impl {
    std::string name;
    std::filesystem::path path;
    HMODULE handle = nullptr;
    bool registered = false;
    ~Impl() {
        if (registered) unregisterFunctions(name);
        // The library stays mapped (it was pinned): the classes it created
        // stay registered, and their methods are its code.
    }
};

Module::Module(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Module::~Module() = default;
Module::Module(Module&&) noexcept = default;
Module& Module::operator=(Module&&) noexcept = default;
const std::string& Module::name() const { return impl_->name; }
const std::filesystem::path& Module::path() const { return impl_->path; }

namespace {
std::filesystem::path moduleFile(HMODULE module) {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(module, buffer, static_cast<DWORD>(std::size(buffer)));
    return std::filesystem::path(std::wstring(buffer, n));
}
std::string versionText(int v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%02d", v / 100, v % 100);
    return buf;
}
}  // namespace

std::filesystem::path executableDir() { return moduleFile(nullptr).parent_path(); }

std::filesystem::path directoryOf(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module))
        return executableDir();
    return moduleFile(module).parent_path();
}

Module loadModule(std::string_view name, const std::filesystem::path& dir) {
    const std::string moduleName(name);
    const auto path = (dir.empty() ? executableDir() : dir) / (moduleName + ".dll");
    HMODULE handle = LoadLibraryW(path.c_str());
    if (!handle)
        throw Error(moduleName, "cannot load " + path.string() + ": error " + std::to_string(GetLastError()));
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, path.c_str(), &pinned);
    auto impl = std::make_unique<Module::Impl>();
    impl->name = moduleName;
    impl->path = path;
    impl->handle = handle;

    using Entry = const ModuleInfo* (*)();
    auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(handle, "apprt_module")));
    const ModuleInfo* info = entry ? entry() : nullptr;
    if (!info) throw Error(moduleName, path.string() + " is not a module of this runtime");
    if (info->runtimeVersion > kRuntimeVersion)
        throw Error(moduleName, "needs runtime " + versionText(info->runtimeVersion) +
                                    ", this runtime is " + versionText(kRuntimeVersion));
    impl->name = info->name;
    registerFunctions(impl->name, std::span(info->functions, info->count));
    impl->registered = true;
    return Module(std::move(impl));
}

}  // namespace apprt
