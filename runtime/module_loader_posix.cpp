// Loading modules with dlopen.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <system_error>

#include "error.h"
#include "functions.h"

namespace apprt {

struct Module::Impl {
    std::string name;
    std::filesystem::path path;
    void* handle = nullptr;
    bool registered = false;
    ~Impl() {
        if (registered) unregisterFunctions(name);
        if (handle) dlclose(handle);
    }
};

Module::Module(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Module::~Module() = default;
Module::Module(Module&&) noexcept = default;
Module& Module::operator=(Module&&) noexcept = default;
const std::string& Module::name() const { return impl_->name; }
const std::filesystem::path& Module::path() const { return impl_->path; }

std::filesystem::path executableDir() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

std::filesystem::path directoryOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || !info.dli_fname) return executableDir();
    std::error_code ec;
    auto path = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? executableDir() : path.parent_path();
}

namespace {
std::string versionText(int v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%02d", v / 100, v % 100);
    return buf;
}
}  // namespace

Module loadModule(std::string_view name, const std::filesystem::path& dir) {
    const std::string moduleName(name);
    const auto path = (dir.empty() ? executableDir() : dir) / ("lib" + moduleName + ".so");
    // NODELETE: classes the module created stay registered after it is
    // unloaded, and their methods are its code.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        const char* why = dlerror();
        throw Error(moduleName, "cannot load " + path.string() + ": " + (why ? why : "unknown reason"));
    }
    auto impl = std::make_unique<Module::Impl>();
    impl->name = moduleName;
    impl->path = path;
    impl->handle = handle;

    using Entry = const ModuleInfo* (*)();
    auto entry = reinterpret_cast<Entry>(dlsym(handle, "apprt_module"));
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
