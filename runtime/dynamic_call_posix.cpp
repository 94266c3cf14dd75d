// DLLCALL's libraries on POSIX: dlopen and dlsym.
#include <dlfcn.h>

#include "dynamic_call.h"

namespace apprt::detail {

void* openFunction(const std::string& library, const std::string& function, bool& noLibrary,
                   std::string& why) {
    // Never closed; dlopen counts, and the library is mapped once.
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    noLibrary = handle == nullptr;
    if (!handle) {
        const char* error = dlerror();
        why = error ? error : "";
        return nullptr;
    }
    return dlsym(handle, function.c_str());
}

}  // namespace apprt::detail
