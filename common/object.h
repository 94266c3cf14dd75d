// Objects and classes: instances, class objects, their members and methods.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "export.h"
#include "value.h"

namespace apprt {

enum class Visibility { Exported, Hidden };
enum class VarKind { Instance, Class };
enum class MethodKind { Instance, Class };

// A method body. `self` is the receiver: the instance for instance methods,
// the class object for class methods. An empty function declares a deferred
// method, which a subclass supplies; calling it raises.
using MethodFn = std::function<Value(const Value& self, Args args)>;

// Either an instance or a class object; both are shared by reference.
class APPRT_API Object {
public:
    virtual ~Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    bool isClass() const noexcept { return isClass_; }
    // The class that answers this object's messages: its class for an
    // instance, itself for a class object.
    const Class& classOf() const noexcept { return *class_; }

protected:
    Object(bool isClass, const Class* cls) : isClass_(isClass), class_(cls) {}
    void setClass(const Class* cls) noexcept { class_ = cls; }

private:
    friend class Value;
    bool isClass_;
    const Class* class_;
};

// What a class written in C++ keeps inside its instances beside their
// variables (a socket, say). The instance owns it and destroys it with itself.
class APPRT_API NativeData {
public:
    virtual ~NativeData();
};

// An instance's variables live in the same allocation as the instance: one
// memory access fewer on every member read.
class APPRT_API Instance final : public Object {
public:
    // Every variable nil.
    static std::shared_ptr<Instance> make(std::shared_ptr<const Class> cls, std::size_t slots);
    ~Instance() override;
    std::span<Value> slots() noexcept { return {slots_, count_}; }

    NativeData* native() const noexcept { return native_.get(); }
    void setNative(std::unique_ptr<NativeData> data) noexcept { native_ = std::move(data); }

private:
    friend class Value;
    Instance(std::shared_ptr<const Class> cls, Value* slots, std::size_t count) noexcept;
    std::shared_ptr<const Class> keep_;  // an instance keeps its class alive
    Value* slots_;                       // just past this object, not owned separately
    std::size_t count_;
    std::unique_ptr<NativeData> native_;
};

// The instance a value holds; raises for anything else, naming `where`.
APPRT_API Instance& instanceOf(const Value& v, std::string_view where);

struct MemberDef {
    std::string spelling;  // as declared, for messages
    VarKind kind;
    Visibility visibility;
    std::size_t slot;      // instance slot, or index into the owner's class slots
    const Class* owner;    // the declaring class
};

struct MethodDef {
    std::string spelling;
    MethodKind kind;
    Visibility visibility;
    MethodFn fn;           // empty: deferred
    const Class* owner;
    std::size_t depth;     // 0 for a root class, one more for each subclass level
};

// A published class: immutable after registration, except for the values of
// its class variables. Names are folded once, when the class is defined, and
// looked up by symbol id.
class APPRT_API Class final : public Object, public std::enable_shared_from_this<Class> {
public:
    ~Class() override;

    const std::string& name() const noexcept { return name_; }
    const std::vector<std::shared_ptr<Class>>& superclasses() const noexcept { return supers_; }
    std::size_t instanceVarCount() const noexcept { return instanceSlots_; }
    std::size_t depth() const noexcept { return depth_; }

    // nullptr when there is no such member or method.
    const MemberDef* findMember(Symbol name) const noexcept {
        if (name.id() >= memberIndex_.size()) return nullptr;
        const auto i = memberIndex_[name.id()];
        return i < 0 ? nullptr : &members_[static_cast<std::size_t>(i)];
    }
    const MethodDef* findInstanceMethod(Symbol name) const noexcept;
    const MethodDef* findClassMethod(Symbol name) const noexcept;
    bool hasMember(std::string_view name) const;
    bool respondsTo(std::string_view name) const;  // as a class object

    // `new`: an instance with every variable nil, sent `init` with args.
    Value instantiate(Args args) const;

    std::vector<Value>& classSlots() const noexcept { return classSlots_; }

private:
    friend class ClassDraft;
    Class();
    std::string name_;
    std::vector<std::shared_ptr<Class>> supers_;
    std::size_t depth_ = 0;
    std::size_t instanceSlots_ = 0;
    std::vector<MemberDef> members_;
    std::vector<MethodDef> methods_;
    // Indexed by symbol id; -1 where the class has no entry of that name.
    std::vector<std::int32_t> memberIndex_, instanceMethodIndex_, classMethodIndex_;
    mutable std::vector<Value> classSlots_;
};

using ClassRef = std::shared_ptr<Class>;

// A class under construction: private until ClassRegistry::publish, so that
// nothing half-defined is ever visible to a lookup. It checks the counts the
// class declared against what was defined.
class APPRT_API ClassDraft {
public:
    ClassDraft(std::string_view name, std::size_t instanceVars, std::size_t classVars,
               std::size_t methods, std::vector<ClassRef> superclasses = {});
    ClassDraft(ClassDraft&&) noexcept;
    ClassDraft& operator=(ClassDraft&&) noexcept;
    ~ClassDraft();

    ClassDraft& var(std::string_view name, VarKind kind, Visibility visibility);
    ClassDraft& method(std::string_view name, MethodKind kind, Visibility visibility,
                       MethodFn fn);
    const std::string& name() const;

    // Checks the counts and builds the class object; the draft is spent.
    ClassRef finish();

private:
    struct Pending;
    std::unique_ptr<Pending> p_;
};

// An exported instance variable read from an instance is the common case,
// done here; everything else, errors included, goes out of line.
inline const Value& Value::member(Symbol name) const {
    if (const auto* ref = std::get_if<6>(&v_)) {
        const Object& o = **ref;
        if (!o.isClass()) {
            const MemberDef* m = o.classOf().findMember(name);
            if (m && m->kind == VarKind::Instance && m->visibility == Visibility::Exported)
                return static_cast<const Instance&>(o).slots_[m->slot];
        }
    }
    return memberOfOther(name);
}

}  // namespace apprt
