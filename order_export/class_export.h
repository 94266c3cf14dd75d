// How the plug-in defines its classes: a static description and one class function.
#pragma once

#include <cstddef>
#include <span>

#include "object.h"

namespace kvdlink {

using apprt::Args;
using apprt::Value;

using MethodBody = Value (*)(const Value& self, Args args);

struct VarSpec {
    const char* name;
    apprt::VarKind kind;
    apprt::Visibility visibility;
};

struct MethodSpec {
    const char* name;
    apprt::MethodKind kind;
    apprt::Visibility visibility;
    MethodBody body;  // nullptr: deferred
};

struct ClassSpec {
    const char* name;
    Value (*superclass)();  // the superclass's class function, or nullptr
    std::size_t instanceVars, classVars, methods;  // the counts the class declares
    std::span<const VarSpec> vars;                 // in declaration order
    std::span<const MethodSpec> methodList;        // in declaration order
};

// The class function of every class of the library: answers the registered
// class object, creating and registering it on the first call.
Value classFunction(const ClassSpec& def);

// The common bodies: `init` and `initClass` that answer their receiver.
Value answerSelf(const Value& self, Args args);

// Exported class functions, as the function table holds them.
Value SENDORDERINTERFACE(Args = {});
Value ORDER_STRUCTURE(Args = {});
Value ORDERPOSITION_STRUCTURE(Args = {});
Value SUPPLIER_STRUCTURE(Args = {});
Value PARAM_STRUCTURE(Args = {});
Value KVD(Args = {});

}  // namespace kvdlink
