// Test helpers about this process, on Windows.
#include <windows.h>

#include "test_support.h"

namespace testing_support {

std::size_t openDescriptorCount() {
    DWORD n = 0;
    GetProcessHandleCount(GetCurrentProcess(), &n);
    return n;
}

}  // namespace testing_support
