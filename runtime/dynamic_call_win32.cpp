// DLLCALL's libraries on Windows: LoadLibraryA and GetProcAddress.
#include <windows.h>

#include "dynamic_call.h"

namespace apprt::detail {

void* openFunction(const std::string& library, const std::string& function, bool& noLibrary,
                   std::string& why) {
    // Never freed.
    HMODULE handle = LoadLibraryA(library.c_str());
    noLibrary = handle == nullptr;
    if (!handle) {
        why = "error " + std::to_string(GetLastError());
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(handle, function.c_str()));
}

}  // namespace apprt::detail
