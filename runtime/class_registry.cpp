// The class registry.
#include "class_registry.h"

#include <unordered_map>

#include "error.h"

namespace apprt {

struct ClassRegistry::Impl {
    std::recursive_mutex mutex;
    std::unordered_map<std::string, ClassRef> classes;  // by folded name
};

ClassRegistry::ClassRegistry() : impl_(std::make_unique<Impl>()) {}

ClassRegistry& ClassRegistry::instance() {
    static ClassRegistry registry;
    return registry;
}

std::unique_lock<std::recursive_mutex> ClassRegistry::lock() {
    return std::unique_lock(impl_->mutex);
}

ClassRef ClassRegistry::find(std::string_view name) {
    const std::string key = foldName(name);
    auto held = lock();
    auto it = impl_->classes.find(key);
    return it == impl_->classes.end() ? nullptr : it->second;
}

ClassRef ClassRegistry::publish(ClassDraft draft) {
    // Taken for the whole publication: registration and initClass are one step
    // for every other thread. Re-entrant, so initClass may use the registry.
    auto held = lock();
    ClassRef cls = draft.finish();
    const std::string key = foldName(cls->name());
    if (!impl_->classes.try_emplace(key, cls).second)
        throw Error(cls->name(), "is registered already");
    try {
        if (cls->respondsTo("initClass")) Value(std::static_pointer_cast<Object>(cls)).send("initClass");
    } catch (...) {
        impl_->classes.erase(key);
        throw;
    }
    return cls;
}

ClassRef ClassRegistry::obtain(std::string_view name, const std::function<ClassDraft()>& define) {
    auto held = lock();
    if (auto cls = find(name)) return cls;
    return publish(define());
}

Value ClassRegistry::obtainObject(std::string_view name, const std::function<ClassDraft()>& define) {
    return Value(std::static_pointer_cast<Object>(obtain(name, define)));
}

}  // namespace apprt
