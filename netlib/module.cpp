// netlib's table of exported functions, handed to the runtime at load.
#include "ftp_client_class.h"
#include "functions.h"

namespace {

constexpr apprt::FunctionDef kFunctions[] = {{"FTPCLIENT", netlib::FTPCLIENT, 0}};
constexpr apprt::ModuleInfo kModule{"netlib", 200, kFunctions, std::size(kFunctions)};

}  // namespace

APPRT_MODULE_ENTRY const apprt::ModuleInfo* apprt_module() { return &kModule; }
