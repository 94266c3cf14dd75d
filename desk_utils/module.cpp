// deskkit's table of exported functions, handed to the runtime at load.
#include "desk_functions.h"
#include "functions.h"

namespace {

constexpr apprt::FunctionDef kFunctions[] = {
    {"CLIPBOARD", deskkit::CLIPBOARD, 1},
    {"SHELLOPENFILE", deskkit::SHELLOPENFILE, 1},
    {"TEXT2FILE", deskkit::TEXT2FILE, 2},
    {"UPFTP", deskkit::UPFTP, 6},
    {"UPLOADFTP", deskkit::UPLOADFTP, 6},
};

constexpr apprt::ModuleInfo kModule{"deskkit", 200, kFunctions, std::size(kFunctions)};

}  // namespace

APPRT_MODULE_ENTRY const apprt::ModuleInfo* apprt_module() { return &kModule; }

APPRT_EXPORT_NAMED(CLIPBOARD, deskkit::CLIPBOARD)
APPRT_EXPORT_NAMED(SHELLOPENFILE, deskkit::SHELLOPENFILE)
APPRT_EXPORT_NAMED(TEXT2FILE, deskkit::TEXT2FILE)
APPRT_EXPORT_NAMED(UPFTP, deskkit::UPFTP)
APPRT_EXPORT_NAMED(UPLOADFTP, deskkit::UPLOADFTP)
