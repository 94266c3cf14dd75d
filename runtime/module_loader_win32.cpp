// Modules on Windows: LoadLibrary, and where the running code lives.
#include <windows.h>

#include "functions.h"
#include "module_loader.h"

namespace apprt {
namespace {
std::filesystem::path fileOf(HMODULE module) {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(module, buffer, static_cast<DWORD>(std::size(buffer)));
    return std::filesystem::path(std::wstring(buffer, n));
}
}  // namespace

std::filesystem::path executableDir() { return fileOf(nullptr).parent_path(); }

std::filesystem::path directoryOf(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module))
        return executableDir();
    return fileOf(module).parent_path();
}

namespace detail {

std::filesystem::path moduleFile(const std::filesystem::path& dir, const std::string& name) {
    return dir / (name + ".dll");
}

void* openLibrary(const std::filesystem::path& path, std::string& why) {
    HMODULE handle = LoadLibraryW(path.c_str());
    if (!handle) {
        why = "error " + std::to_string(GetLastError());
        return nullptr;
    }
    HMODULE pinned = nullptr;  // never unloaded, as with NODELETE
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, path.c_str(), &pinned);
    return handle;
}

void* findSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

}  // namespace detail
}  // namespace apprt
