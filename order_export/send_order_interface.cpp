// SendOrderInterface: the abstract contract every order sender fulfils.
#include "class_export.h"

namespace kvdlink {
namespace {

using apprt::MethodKind;
using apprt::Visibility;

Value derivedFrom(const Value&, Args) { return Value("SendOrderInterface"); }

constexpr MethodSpec kMethods[] = {
    {"send", MethodKind::Instance, Visibility::Exported, nullptr},
    {"getPurpose", MethodKind::Instance, Visibility::Exported, nullptr},
    {"getResultMessage", MethodKind::Instance, Visibility::Exported, nullptr},
    {"derivedFrom", MethodKind::Class, Visibility::Exported, derivedFrom},
    {"init", MethodKind::Instance, Visibility::Exported, answerSelf},
    {"initClass", MethodKind::Class, Visibility::Exported, answerSelf},
};

constexpr ClassSpec kSendOrderInterface{"SendOrderInterface", nullptr, 0, 0, 6, {}, kMethods};

}  // namespace

Value SENDORDERINTERFACE(Args) { return classFunction(kSendOrderInterface); }

}  // namespace kvdlink
