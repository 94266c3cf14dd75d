// Modules on POSIX: dlopen, and where the running code lives.
#include <dlfcn.h>

#include "functions.h"
#include "module_loader.h"

namespace apprt {

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

namespace detail {

std::filesystem::path moduleFile(const std::filesystem::path& dir, const std::string& name) {
    return dir / ("lib" + name + ".so");
}

void* openLibrary(const std::filesystem::path& path, std::string& why) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        const char* error = dlerror();
        why = error ? error : "unknown reason";
    }
    return handle;
}

void* findSymbol(void* library, const char* name) { return dlsym(library, name); }

}  // namespace detail
}  // namespace apprt
