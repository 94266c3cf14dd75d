// Objects, classes, visibility and the class registry.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "class_registry.h"
#include "error.h"
#include "object.h"
#include "test_support.h"

using namespace apprt;

using testing_support::errorOf;

namespace {

// A class of every kind of member: Account with an exported and a hidden
// variable, a class variable, and methods of each kind.
ClassRef accountClass() {
    return ClassRegistry::instance().obtain("Account", [] {
        ClassDraft d("Account", 2, 1, 7);
        d.var("Owner", VarKind::Instance, Visibility::Exported)
            .var("balance", VarKind::Instance, Visibility::Hidden)
            .var("bankCode", VarKind::Class, Visibility::Exported)
            .method("init", MethodKind::Instance, Visibility::Exported,
                    [](const Value& self, Args a) {
                        self.assign("owner", a[0]);
                        self.assign("balance", Value(0));
                        return self;
                    })
            .method("deposit", MethodKind::Instance, Visibility::Exported,
                    [](const Value& self, Args a) {
                        self.send("setBalance", {self.member("balance") + a[0]});
                        return self.member("balance");
                    })
            .method("setBalance", MethodKind::Instance, Visibility::Hidden,
                    [](const Value& self, Args a) {
                        self.assign("BALANCE", a[0]);
                        return Value();
                    })
            .method("audit", MethodKind::Instance, Visibility::Exported, MethodFn())
            .method("kind", MethodKind::Class, Visibility::Exported,
                    [](const Value&, Args) { return Value("account"); })
            .method("selfOf", MethodKind::Class, Visibility::Exported,
                    [](const Value& self, Args) { return self; })
            .method("secret", MethodKind::Class, Visibility::Hidden,
                    [](const Value&, Args) { return Value(1); });
        return d;
    });
}

Value accountObject() {
    return Value(std::static_pointer_cast<Object>(accountClass()));
}

TEST(Objects, NewRunsInitAndNamesIgnoreCase) {
    const Value acc = accountObject().send("NEW", {Value("Anna")});
    EXPECT_EQ(acc.member("owner"), Value("Anna"));
    EXPECT_EQ(acc.member("OWNER"), Value("Anna"));
    EXPECT_EQ(acc.send("Deposit", {Value(5)}), Value(5));
    EXPECT_EQ(acc.send("deposit", {Value(2)}), Value(7));
    acc.assign("oWnEr", Value("Berta"));
    EXPECT_EQ(acc.member("Owner"), Value("Berta"));
}

TEST(Objects, ClassVariableIsOneValueForClassAndInstances) {
    const Value cls = accountObject();
    const Value a = cls.send("new"), b = cls.send("new");
    a.assign("bankCode", Value("DE01"));
    EXPECT_EQ(b.member("bankcode"), Value("DE01"));
    EXPECT_EQ(cls.member("BankCode"), Value("DE01"));
    cls.assign("bankCode", Value("DE02"));
    EXPECT_EQ(a.member("bankCode"), Value("DE02"));
}

TEST(Objects, ClassMethodsAnswerThroughClassAndInstance) {
    const Value cls = accountObject();
    EXPECT_EQ(cls.send("kind"), Value("account"));
    const Value acc = cls.send("new");
    EXPECT_EQ(acc.send("kind"), Value("account"));
    EXPECT_EQ(acc.send("selfOf"), cls);  // a class method's self is the class object
}

TEST(Objects, ErrorsNameClassAndMember) {
    const Value cls = accountObject();
    const Value acc = cls.send("new");
    struct Case {
        std::function<void()> op;
        const char* error;
    } cases[] = {
        {[&] { acc.member("balance"); }, "Account: 'balance' is hidden"},
        {[&] { acc.assign("balance", Value(1000)); }, "Account: 'balance' is hidden"},
        {[&] { acc.send("setBalance", {Value(1)}); }, "Account: 'setBalance' is hidden"},
        {[&] { cls.send("secret"); }, "Account: 'secret' is hidden"},
        {[&] { acc.send("audit"); }, "Account: 'audit' is deferred"},
        {[&] { acc.member("colour"); }, "Account: no member 'colour'"},
        {[&] { acc.member("noSuchNameAnywhere42"); }, "Account: no member 'noSuchNameAnywhere42'"},
        {[&] { acc.send("withdraw"); }, "Account: no method 'withdraw'"},
        {[&] { cls.send("deposit"); }, "Account: no method 'deposit'"},
        {[&] { cls.member("owner"); }, "Account: 'Owner' is an instance variable"},
        {[&] { acc.send("deposit", {Value("x")}); }, "+: cannot add text to number"},
    };
    for (const auto& c : cases) EXPECT_EQ(errorOf(c.op), c.error);
    // A failed method leaves the hidden state as it was.
    EXPECT_EQ(acc.send("deposit", {Value(0)}), Value(0));
}

TEST(Objects, SubclassInheritsOverridesAndKeepsHiddenToOwner) {
    auto& reg = ClassRegistry::instance();
    ClassDraft d("SavingsAccount", 1, 0, 2, {accountClass()});
    d.var("rate", VarKind::Instance, Visibility::Exported)
        .method("audit", MethodKind::Instance, Visibility::Exported,
                [](const Value&, Args) { return Value("ok"); })
        .method("peek", MethodKind::Instance, Visibility::Exported,
                [](const Value& self, Args) { return self.member("balance"); });
    const Value cls(std::static_pointer_cast<Object>(reg.publish(std::move(d))));
    const Value s = cls.send("new", {Value("Carl")});
    EXPECT_EQ(s.member("owner"), Value("Carl"));
    EXPECT_TRUE(s.member("rate").isNil());
    EXPECT_EQ(s.send("audit"), Value("ok"));
    EXPECT_EQ(s.send("deposit", {Value(3)}),
              Value(3));  // the superclass's method reaches its own hidden var
    EXPECT_EQ(errorOf([&] { s.send("peek"); }), "SavingsAccount: 'balance' is hidden");
}

TEST(Registry, DraftChecksCountsAndNames) {
    auto& reg = ClassRegistry::instance();
    EXPECT_EQ(errorOf([&] { reg.publish(ClassDraft("Short", 1, 0, 0)); }),
              "Short: declares 1 instance variables, defines 0");
    EXPECT_EQ(errorOf([&] {
                  ClassDraft d("Twice", 2, 0, 0);
                  d.var("a", VarKind::Instance, Visibility::Exported);
                  d.var("A", VarKind::Instance, Visibility::Exported);
              }),
              "Twice: variable 'A' is defined twice");
    EXPECT_EQ(reg.find("Short"), nullptr);
    EXPECT_EQ(errorOf([&] {
                  accountClass();
                  reg.publish(ClassDraft("account", 0, 0, 0));
              }),
              "account: is registered already");
}

TEST(Registry, FailingInitClassRegistersNothingAndFreesTheLock) {
    auto& reg = ClassRegistry::instance();
    ClassDraft d("Broken", 0, 0, 1);
    d.method("initClass", MethodKind::Class, Visibility::Exported,
             [](const Value&, Args) -> Value { throw Error("Broken", "initClass failed"); });
    EXPECT_EQ(errorOf([&] { reg.publish(std::move(d)); }), "Broken: initClass failed");
    EXPECT_EQ(reg.find("Broken"), nullptr);
    // Another thread can take the lock: it was released on the way out.
    std::atomic<bool> locked{false};
    std::thread([&] { locked = reg.lock().owns_lock(); }).join();
    EXPECT_TRUE(locked);
}

TEST(Registry, ManyThreadsCreateAClassOnce) {
    auto& reg = ClassRegistry::instance();
    std::atomic<int> created{0};
    auto classFunction = [&] {
        auto held = reg.lock();
        if (auto c = reg.find("Counted")) return c;
        ClassDraft d("Counted", 0, 0, 1);
        d.method("initClass", MethodKind::Class, Visibility::Exported,
                 [&](const Value& self, Args) {
                     ++created;
                     return self;
                 });
        return reg.publish(std::move(d));
    };
    std::vector<std::thread> threads;
    std::vector<ClassRef> seen(8);
    for (int i = 0; i < 8; ++i) threads.emplace_back([&, i] { seen[i] = classFunction(); });
    for (auto& t : threads) t.join();
    EXPECT_EQ(created, 1);
    for (const auto& c : seen) EXPECT_EQ(c, seen[0]);
}

TEST(Registry, ThreadsKeepTheRegistryWhenOneCreationFails) {
    auto& reg = ClassRegistry::instance();
    std::atomic<int> failures{0}, created{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                auto held = reg.lock();
                const std::string name = t % 2 ? "Failing" : "Fine" + std::to_string(t);
                if (reg.find(name)) continue;
                ClassDraft d(name, 0, 0, 1);
                d.method("initClass", MethodKind::Class, Visibility::Exported,
                         [t](const Value& self, Args) -> Value {
                             if (t % 2) throw Error("Failing", "initClass failed");
                             return self;
                         });
                try {
                    reg.publish(std::move(d));
                    ++created;
                } catch (const Error&) {
                    ++failures;
                }
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures, 3 * 20);  // each try fails anew: nothing was left registered
    EXPECT_EQ(created, 3);
    EXPECT_EQ(reg.find("Failing"), nullptr);
}

}  // namespace
