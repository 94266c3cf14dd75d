// SHELLOPENFILE: open a file with the application the desktop associates with it.
#include "desk_functions.h"
#include "functions.h"

namespace deskkit {

namespace {
constexpr int kStdCall = 32;   // the standard Windows calling convention
constexpr int kShowNormal = 1;
}  // namespace

// Answers ShellExecuteA's number unchanged: above 32 the application was
// started, otherwise the shell's error code.
Value SHELLOPENFILE(Args a) {
    const Value window = apprt::call("DESKTOP").send("GetHWND");
    const Value dir = apprt::call("CURDIR");
    return apprt::call("DLLCALL", {Value("SHELL32.DLL"), Value(kStdCall), Value("ShellExecuteA"),
                                   window, Value("open"), a[0], Value(), dir, Value(kShowNormal)});
}

}  // namespace deskkit
