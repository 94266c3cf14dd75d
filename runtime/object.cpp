// Objects, classes and message dispatch.
#include "object.h"

#include <algorithm>
#include <memory>
#include <new>
#include <unordered_set>

#include "error.h"

namespace apprt {
namespace {

// The class whose method is running on this thread: hidden members and
// methods are reachable only from the methods of the class that declares them.
thread_local const Class* tlRunningClass = nullptr;

class RunningClass {
public:
    explicit RunningClass(const Class* cls) : saved_(tlRunningClass) { tlRunningClass = cls; }
    ~RunningClass() { tlRunningClass = saved_; }
    RunningClass(const RunningClass&) = delete;
    RunningClass& operator=(const RunningClass&) = delete;

private:
    const Class* saved_;
};

std::string quoted(std::string_view name) { return "'" + std::string(name) + "'"; }

// Interned when the runtime loads: a host may send `new` before any class
// declared a name.
const Symbol kNewSymbol = Symbol::intern("new");
const Symbol& newSymbol() { return kNewSymbol; }

template <class Def>
void checkVisible(const Class& receiver, const Def& def) {
    if (def.visibility == Visibility::Hidden && tlRunningClass != def.owner)
        throw Error(receiver.name(), quoted(def.spelling) + " is hidden");
}

std::int32_t lookup(const std::vector<std::int32_t>& index, Symbol name) {
    return name.id() < index.size() ? index[name.id()] : -1;
}

void setIndex(std::vector<std::int32_t>& index, Symbol name, std::size_t at) {
    if (index.size() <= name.id()) index.resize(name.id() + 1, -1);
    index[name.id()] = static_cast<std::int32_t>(at);
}

Symbol resolve(const Value& receiver, std::string_view name, bool method) {
    if (auto s = Symbol::find(name)) return *s;
    // A name no class has ever declared: the same error a missing one gives.
    if (receiver.isObject())
        throw Error(receiver.object().classOf().name(),
                    std::string(method ? "no method " : "no member ") + quoted(name));
    throw Error(kindName(receiver.kind()),
                std::string(method ? "cannot send " : "cannot read member ") + quoted(name));
}

}  // namespace

Object::~Object() = default;
NativeData::~NativeData() = default;

Instance& instanceOf(const Value& v, std::string_view where) {
    Object& o = v.object(where);
    if (o.isClass()) throw Error(std::string(where), "expects an instance, got a class object");
    return static_cast<Instance&>(o);
}

namespace {
// Where the variables start in an instance's allocation.
constexpr std::size_t kSlotsOffset =
    (sizeof(Instance) + alignof(Value) - 1) / alignof(Value) * alignof(Value);
}  // namespace

std::shared_ptr<Instance> Instance::make(std::shared_ptr<const Class> cls, std::size_t count) {
    void* memory = ::operator new(kSlotsOffset + count * sizeof(Value));
    auto* slots = reinterpret_cast<Value*>(static_cast<char*>(memory) + kSlotsOffset);
    std::uninitialized_value_construct_n(slots, count);  // nil; cannot throw
    auto* instance = new (memory) Instance(std::move(cls), slots, count);
    // The deleter runs when the last reference goes, and also when the
    // shared_ptr cannot be made.
    return std::shared_ptr<Instance>(instance, [](Instance* p) {
        p->~Instance();
        ::operator delete(p);
    });
}

Instance::Instance(std::shared_ptr<const Class> cls, Value* slots, std::size_t count) noexcept
    : Object(false, cls.get()), keep_(std::move(cls)), slots_(slots), count_(count) {}

Instance::~Instance() { std::destroy_n(slots_, count_); }

Class::Class() : Object(true, nullptr) { setClass(this); }
Class::~Class() = default;

const MethodDef* Class::findInstanceMethod(Symbol name) const noexcept {
    const auto i = lookup(instanceMethodIndex_, name);
    return i < 0 ? nullptr : &methods_[static_cast<std::size_t>(i)];
}
const MethodDef* Class::findClassMethod(Symbol name) const noexcept {
    const auto i = lookup(classMethodIndex_, name);
    return i < 0 ? nullptr : &methods_[static_cast<std::size_t>(i)];
}
bool Class::hasMember(std::string_view name) const {
    auto s = Symbol::find(name);
    return s && findMember(*s);
}
bool Class::respondsTo(std::string_view name) const {
    auto s = Symbol::find(name);
    return s && (*s == newSymbol() || findClassMethod(*s));
}

Value Class::instantiate(Args args) const {
    Value instance(std::static_pointer_cast<Object>(Instance::make(shared_from_this(), instanceSlots_)));
    static const Symbol init = Symbol::intern("init");
    if (findInstanceMethod(init) || findClassMethod(init)) instance.send(init, args);
    return instance;
}

const Value& Value::memberOfOther(Symbol name) const {
    if (!isObject())
        throw Error(kindName(kind()), "cannot read member " + quoted(name.folded()));
    Object& o = *std::get<6>(v_);
    const Class& cls = o.classOf();
    const MemberDef* m = cls.findMember(name);
    if (!m) throw Error(cls.name(), "no member " + quoted(name.folded()));
    checkVisible(cls, *m);
    if (m->kind == VarKind::Class) return m->owner->classSlots()[m->slot];
    if (o.isClass()) throw Error(cls.name(), quoted(m->spelling) + " is an instance variable");
    return static_cast<Instance&>(o).slots()[m->slot];
}

const Value& Value::member(std::string_view name) const {
    return member(resolve(*this, name, false));
}

void Value::assign(Symbol name, Value v) const {
    // The same checks as reading, then a store into the slot it found.
    const_cast<Value&>(member(name)) = std::move(v);
}

void Value::assign(std::string_view name, Value v) const {
    assign(resolve(*this, name, false), std::move(v));
}

Value Value::send(Symbol selector, Args args) const {
    if (!isObject()) throw Error(kindName(kind()), "cannot send " + quoted(selector.folded()));
    Object& o = *std::get<6>(v_);
    const Class& cls = o.classOf();
    const MethodDef* m = nullptr;
    if (o.isClass()) {
        if (selector == newSymbol()) return cls.instantiate(args);
        m = cls.findClassMethod(selector);
    } else {
        // An instance answers its class's instance methods and class methods;
        // the one declared further down the hierarchy wins, an instance method
        // on a tie.
        const MethodDef* im = cls.findInstanceMethod(selector);
        const MethodDef* cm = cls.findClassMethod(selector);
        m = (im && cm) ? (cm->depth > im->depth ? cm : im) : (im ? im : cm);
    }
    if (!m) throw Error(cls.name(), "no method " + quoted(selector.folded()));
    checkVisible(cls, *m);
    if (!m->fn) throw Error(m->owner->name(), quoted(m->spelling) + " is deferred");
    RunningClass running(m->owner);
    if (m->kind == MethodKind::Class && !o.isClass()) {
        const Value self(std::const_pointer_cast<Object>(
            std::static_pointer_cast<const Object>(cls.shared_from_this())));
        return m->fn(self, args);
    }
    return m->fn(*this, args);
}

Value Value::send(std::string_view selector, Args args) const {
    return send(resolve(*this, selector, true), args);
}

// --- ClassDraft -------------------------------------------------------------

struct ClassDraft::Pending {
    std::string name;
    std::size_t declaredInstanceVars, declaredClassVars, declaredMethods;
    std::vector<ClassRef> supers;
    struct Var {
        std::string name;
        VarKind kind;
        Visibility visibility;
    };
    struct Method {
        std::string name;
        MethodKind kind;
        Visibility visibility;
        MethodFn fn;
    };
    std::vector<Var> vars;
    std::vector<Method> methods;
    std::unordered_set<std::string> varNames, instanceMethodNames, classMethodNames;
};

ClassDraft::ClassDraft(std::string_view name, std::size_t instanceVars, std::size_t classVars,
                       std::size_t methods, std::vector<ClassRef> superclasses)
    : p_(std::make_unique<Pending>()) {
    if (name.empty()) throw Error("class", "a class needs a name");
    for (const auto& s : superclasses)
        if (!s) throw Error(std::string(name), "superclass is nil");
    p_->name = std::string(name);
    p_->declaredInstanceVars = instanceVars;
    p_->declaredClassVars = classVars;
    p_->declaredMethods = methods;
    p_->supers = std::move(superclasses);
}
ClassDraft::ClassDraft(ClassDraft&&) noexcept = default;
ClassDraft& ClassDraft::operator=(ClassDraft&&) noexcept = default;
ClassDraft::~ClassDraft() = default;

const std::string& ClassDraft::name() const { return p_->name; }

ClassDraft& ClassDraft::var(std::string_view name, VarKind kind, Visibility visibility) {
    if (!p_->varNames.insert(foldName(name)).second)
        throw Error(p_->name, "variable " + quoted(name) + " is defined twice");
    p_->vars.push_back({std::string(name), kind, visibility});
    return *this;
}

ClassDraft& ClassDraft::method(std::string_view name, MethodKind kind, Visibility visibility,
                               MethodFn fn) {
    auto& names = kind == MethodKind::Instance ? p_->instanceMethodNames : p_->classMethodNames;
    if (!names.insert(foldName(name)).second)
        throw Error(p_->name, "method " + quoted(name) + " is defined twice");
    p_->methods.push_back({std::string(name), kind, visibility, std::move(fn)});
    return *this;
}

ClassRef ClassDraft::finish() {
    if (!p_) throw Error("class", "the draft was used already");
    Pending& d = *p_;
    std::size_t ivars = 0, cvars = 0;
    for (const auto& v : d.vars) (v.kind == VarKind::Instance ? ivars : cvars)++;
    auto mismatch = [&](const char* what, std::size_t declared, std::size_t defined) {
        if (declared != defined)
            throw Error(d.name, "declares " + std::to_string(declared) + " " + what + ", defines " +
                                    std::to_string(defined));
    };
    mismatch("instance variables", d.declaredInstanceVars, ivars);
    mismatch("class variables", d.declaredClassVars, cvars);
    mismatch("methods", d.declaredMethods, d.methods.size());

    ClassRef cls(new Class());  // Class's constructor is private to the draft
    cls->name_ = d.name;
    cls->supers_ = d.supers;

    // Inherit: the superclasses' members and methods first, in list order,
    // their instance variables renumbered into this class's slots.
    for (const auto& super : d.supers) {
        cls->depth_ = std::max(cls->depth_, super->depth_ + 1);
        const std::size_t base = cls->instanceSlots_;
        for (MemberDef m : super->members_) {
            if (m.kind == VarKind::Instance) m.slot += base;
            cls->members_.push_back(std::move(m));
        }
        cls->instanceSlots_ += super->instanceSlots_;
        for (const auto& m : super->methods_) cls->methods_.push_back(m);
    }
    for (auto& v : d.vars) {
        const bool inst = v.kind == VarKind::Instance;
        const std::size_t slot = inst ? cls->instanceSlots_++ : cls->classSlots_.size();
        if (!inst) cls->classSlots_.emplace_back();
        cls->members_.push_back({std::move(v.name), v.kind, v.visibility, slot, cls.get()});
    }
    for (auto& m : d.methods)
        cls->methods_.push_back(
            {std::move(m.name), m.kind, m.visibility, std::move(m.fn), cls.get(), cls->depth_});

    // Later entries override earlier ones of the same name.
    for (std::size_t i = 0; i < cls->members_.size(); ++i)
        setIndex(cls->memberIndex_, Symbol::intern(cls->members_[i].spelling), i);
    for (std::size_t i = 0; i < cls->methods_.size(); ++i) {
        const auto& m = cls->methods_[i];
        setIndex(m.kind == MethodKind::Instance ? cls->instanceMethodIndex_ : cls->classMethodIndex_,
                 Symbol::intern(m.spelling), i);
    }
    p_.reset();
    return cls;
}

}  // namespace apprt
