// The class registry: one per process, with its re-entrant lock.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string_view>

#include "export.h"
#include "object.h"

namespace apprt {

class APPRT_API ClassRegistry {
public:
    static ClassRegistry& instance();

    // The registry lock. Re-entrant: a class function holds it while it runs
    // its superclass's class function, which takes it again.
    std::unique_lock<std::recursive_mutex> lock();

    // Folded-name lookup; nullptr when no class of that name is registered.
    ClassRef find(std::string_view name);

    // Registers the finished draft under its name and runs its initClass.
    // When anything raises, nothing stays registered and the error goes on.
    ClassRef publish(ClassDraft draft);

    // The class of that name, defined by `define` and published on first use,
    // all under the lock: what a class function of the runtime's own does.
    ClassRef obtain(std::string_view name, const std::function<ClassDraft()>& define);
    Value obtainObject(std::string_view name, const std::function<ClassDraft()>& define);

private:
    ClassRegistry();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace apprt
