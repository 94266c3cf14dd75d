// Loading modules: the version check and the function table, on every platform.
#include "module_loader.h"

#include <cstdio>

#include "error.h"
#include "functions.h"

namespace apprt {

struct Module::Impl {
    std::string name;
    std::filesystem::path path;
    bool registered = false;
    ~Impl() {
        if (registered) unregisterFunctions(name);
    }
};

Module::Module(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Module::~Module() = default;
Module::Module(Module&&) noexcept = default;
Module& Module::operator=(Module&&) noexcept = default;
const std::string& Module::name() const { return impl_->name; }
const std::filesystem::path& Module::path() const { return impl_->path; }

namespace {
std::string versionText(int v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%02d", v / 100, v % 100);
    return buf;
}
}  // namespace

Module loadModule(std::string_view name, const std::filesystem::path& dir) {
    const std::string moduleName(name);
    const auto path = detail::moduleFile(dir.empty() ? executableDir() : dir, moduleName);
    std::string why;
    void* library = detail::openLibrary(path, why);
    if (!library) throw Error(moduleName, "cannot load " + path.string() + ": " + why);

    using Entry = const ModuleInfo* (*)();
    auto entry = reinterpret_cast<Entry>(detail::findSymbol(library, "apprt_module"));
    const ModuleInfo* info = entry ? entry() : nullptr;
    if (!info) throw Error(moduleName, path.string() + " is not a module of this runtime");
    if (info->runtimeVersion > kRuntimeVersion)
        throw Error(moduleName, "needs runtime " + versionText(info->runtimeVersion) +
                                    ", this runtime is " + versionText(kRuntimeVersion));
    auto impl = std::make_unique<Module::Impl>();
    impl->name = info->name;
    impl->path = path;
    registerFunctions(impl->name, std::span(info->functions, info->count));
    impl->registered = true;
    return Module(std::move(impl));
}

}  // namespace apprt
