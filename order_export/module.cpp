// kvdlink's table of exported class functions, handed to the runtime at load.
#include "class_export.h"
#include "functions.h"

namespace {

constexpr apprt::FunctionDef kFunctions[] = {
    {"SENDORDERINTERFACE", kvdlink::SENDORDERINTERFACE, 0},
    {"ORDER_STRUCTURE", kvdlink::ORDER_STRUCTURE, 0},
    {"ORDERPOSITION_STRUCTURE", kvdlink::ORDERPOSITION_STRUCTURE, 0},
    {"SUPPLIER_STRUCTURE", kvdlink::SUPPLIER_STRUCTURE, 0},
    {"PARAM_STRUCTURE", kvdlink::PARAM_STRUCTURE, 0},
    {"KVD", kvdlink::KVD, 0},
};

constexpr apprt::ModuleInfo kModule{"kvdlink", 200, kFunctions, std::size(kFunctions)};

}  // namespace

APPRT_MODULE_ENTRY const apprt::ModuleInfo* apprt_module() { return &kModule; }

APPRT_EXPORT_NAMED(SENDORDERINTERFACE, kvdlink::SENDORDERINTERFACE)
APPRT_EXPORT_NAMED(ORDER_STRUCTURE, kvdlink::ORDER_STRUCTURE)
APPRT_EXPORT_NAMED(ORDERPOSITION_STRUCTURE, kvdlink::ORDERPOSITION_STRUCTURE)
APPRT_EXPORT_NAMED(SUPPLIER_STRUCTURE, kvdlink::SUPPLIER_STRUCTURE)
APPRT_EXPORT_NAMED(PARAM_STRUCTURE, kvdlink::PARAM_STRUCTURE)
APPRT_EXPORT_NAMED(KVD, kvdlink::KVD)
