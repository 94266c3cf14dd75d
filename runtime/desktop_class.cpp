// DESKTOP: the application desktop object, whose GetHWND answers its window handle.
#include "builtins.h"
#include "class_registry.h"

namespace apprt {
namespace {

ClassDraft desktopClass() {
    ClassDraft draft("AppDesktop", 0, 0, 2);
    draft.method("init", MethodKind::Instance, Visibility::Exported,
                 [](const Value& self, Args) { return self; });
    draft.method("GetHWND", MethodKind::Instance, Visibility::Exported,
                 [](const Value&, Args) { return Value(detail::desktopWindowHandle()); });
    return draft;
}

}  // namespace

Value fnDesktop(Args) {
    return ClassRegistry::instance().obtainObject("AppDesktop", desktopClass).send("new");
}

}  // namespace apprt
