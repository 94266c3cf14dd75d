// DESKTOP: the application desktop object, whose GetHWND answers its window handle.
#include "builtins.h"
#include "class_registry.h"

namespace apprt {
namespace {

ClassRef desktopClass() {
    auto& registry = ClassRegistry::instance();
    auto held = registry.lock();
    if (auto cls = registry.find("AppDesktop")) return cls;
    ClassDraft draft("AppDesktop", 0, 0, 2);
    draft.method("init", MethodKind::Instance, Visibility::Exported,
                 [](const Value& self, Args) { return self; });
    draft.method("GetHWND", MethodKind::Instance, Visibility::Exported,
                 [](const Value&, Args) { return Value(detail::desktopWindowHandle()); });
    return registry.publish(std::move(draft));
}

}  // namespace

Value fnDesktop(Args) {
    return Value(std::static_pointer_cast<Object>(desktopClass())).send("new");
}

}  // namespace apprt
