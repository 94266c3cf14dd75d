// The class function shared by the library's six classes.
#include "class_export.h"

#include "class_registry.h"

namespace kvdlink {

Value answerSelf(const Value& self, Args) { return self; }

Value classFunction(const ClassSpec& def) {
    auto& registry = apprt::ClassRegistry::instance();
    // Held from the lookup until registration and initClass are done, so two
    // threads create a class once. Re-entrant: KVD's superclass function runs
    // under it and takes it again. An error releases it on the way out.
    auto held = registry.lock();
    if (auto cls = registry.find(def.name)) return Value(std::static_pointer_cast<apprt::Object>(cls));

    std::vector<apprt::ClassRef> supers;
    if (def.superclass) {
        const Value super = def.superclass();
        supers.push_back(std::static_pointer_cast<apprt::Class>(super.objectRef(def.name)));
    }
    apprt::ClassDraft draft(def.name, def.instanceVars, def.classVars, def.methods,
                            std::move(supers));
    for (const auto& v : def.vars) draft.var(v.name, v.kind, v.visibility);
    for (const auto& m : def.methodList)
        draft.method(m.name, m.kind, m.visibility, m.body ? apprt::MethodFn(m.body) : apprt::MethodFn());
    return Value(std::static_pointer_cast<apprt::Object>(registry.publish(std::move(draft))));
}

}  // namespace kvdlink
