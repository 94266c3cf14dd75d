// kvdlink's class export, the sender contract and the order records.
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <atomic>
#include <thread>

#include "class_registry.h"
#include "error.h"
#include "functions.h"
#include "plugin_env.h"
#include "test_support.h"
#include "object.h"

using apprt::Value;

namespace {

class KvdlinkClasses : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        testing_support::loadKvdlink();
    }
};

const apprt::Class& classOf(const char* fn) { return apprt::call(fn).classObject(); }

TEST_F(KvdlinkClasses, DefinitionsHaveTheirNamesAndShapes) {
    struct Case {
        const char* function;
        const char* name;
        std::size_t instanceVars;
        const char* superclass;
    } cases[] = {
        {"SENDORDERINTERFACE", "SendOrderInterface", 0, nullptr},
        {"ORDER_STRUCTURE", "order_Structure", 6, nullptr},
        {"ORDERPOSITION_STRUCTURE", "orderPosition_Structure", 13, nullptr},
        {"SUPPLIER_STRUCTURE", "supplier_Structure", 15, nullptr},
        {"PARAM_STRUCTURE", "param_Structure", 0, nullptr},
        {"KVD", "KVD", 5, "SendOrderInterface"},
    };
    for (const auto& c : cases) {
        const apprt::Class& cls = classOf(c.function);
        EXPECT_EQ(cls.name(), c.name);
        EXPECT_EQ(cls.instanceVarCount(), c.instanceVars) << c.name;
        if (c.superclass) {
            ASSERT_EQ(cls.superclasses().size(), 1u);
            EXPECT_EQ(cls.superclasses()[0]->name(), c.superclass);
        } else {
            EXPECT_TRUE(cls.superclasses().empty()) << c.name;
        }
        EXPECT_EQ(apprt::ClassRegistry::instance().find(c.name).get(), &cls);
        EXPECT_EQ(&classOf(c.function), &cls) << "a second call answers the same object";
    }
}

// In a fresh process: nothing of kvdlink exists before its first class call.
TEST_F(KvdlinkClasses, KvdFirstCreatesItsSuperclassInsideTheLock) {
    EXPECT_EXIT(testing_support::exitWith([&] {
            auto& reg = apprt::ClassRegistry::instance();
            if (reg.find("SendOrderInterface") || reg.find("KVD")) return 10;
            const Value kvd = apprt::call("KVD");
            const auto super = reg.find("SendOrderInterface");
            if (!super) return 11;
            if (apprt::call("SENDORDERINTERFACE").objectRef().get() != super.get()) return 12;
            if (kvd.classObject().superclasses()[0] != super) return 13;
            return 0;
        }),
        ::testing::ExitedWithCode(0), "");
}

TEST_F(KvdlinkClasses, ManyThreadsGetOneClassObjectEach) {
    EXPECT_EXIT(testing_support::exitWith([&] {
            const char* fns[] = {"KVD", "SENDORDERINTERFACE", "ORDER_STRUCTURE",
                                 "ORDERPOSITION_STRUCTURE", "SUPPLIER_STRUCTURE", "PARAM_STRUCTURE"};
            std::vector<std::thread> threads;
            std::vector<std::vector<const apprt::Object*>> seen(12);
            std::atomic<bool> go{false};
            for (std::size_t t = 0; t < seen.size(); ++t)
                threads.emplace_back([&, t] {
                    while (!go) std::this_thread::yield();
                    for (int round = 0; round < 50; ++round)
                        for (std::size_t f = 0; f < 6; ++f)
                            seen[t].push_back(apprt::call(fns[(f + t) % 6]).objectRef().get());
                });
            go = true;
            for (auto& th : threads) th.join();
            for (std::size_t f = 0; f < 6; ++f) {
                const auto* first = apprt::call(fns[f]).objectRef().get();
                for (std::size_t t = 0; t < seen.size(); ++t)
                    for (std::size_t i = 0; i < seen[t].size(); ++i)
                        if ((i % 6 + t) % 6 == f && seen[t][i] != first) return 20;
            }
            return 0;
        }),
        ::testing::ExitedWithCode(0), "");
}

TEST_F(KvdlinkClasses, SenderContract) {
    const Value kvd = apprt::call("KVD");
    const Value contract = apprt::call("SENDORDERINTERFACE");
    EXPECT_EQ(kvd.send("derivedFrom"), Value("SendOrderInterface"));
    EXPECT_EQ(contract.send("derivedFrom"), Value("SendOrderInterface"));
    EXPECT_EQ(kvd.send("getPurpose"), Value("Bestellung als CSVdatei erzeugen (KVD.csv)"));
    EXPECT_EQ(kvd.send("initClass"), kvd);
    EXPECT_EQ(contract.send("initClass"), contract);
    // The contract's own instances have no sender behind them.
    const Value abstract = contract.send("new");
    EXPECT_THROW(abstract.send("send"), apprt::Error);
    try {
        abstract.send("getResultMessage");
    } catch (const apprt::Error& e) {
        EXPECT_STREQ(e.what(), "SendOrderInterface: 'getResultMessage' is deferred");
    }
    // Records are not senders.
    for (const char* fn : {"ORDER_STRUCTURE", "ORDERPOSITION_STRUCTURE", "SUPPLIER_STRUCTURE",
                           "PARAM_STRUCTURE"})
        EXPECT_FALSE(apprt::call(fn).classObject().respondsTo("derivedFrom")) << fn;
}

TEST_F(KvdlinkClasses, KvdHidesItsStateAndHelpers) {
    const Value sender = apprt::call("KVD").send("new");
    for (const char* hidden : {"setSeparator", "getSeparator", "setLineEnd", "text2File",
                               "setOrderfile", "getOrderfile", "setResultMessage", "Clipboard"}) {
        try {
            sender.send(hidden, {Value("x")});
            ADD_FAILURE() << hidden << " is reachable";
        } catch (const apprt::Error& e) {
            EXPECT_EQ(std::string(e.what()), std::string("KVD: '") + hidden + "' is hidden");
        }
    }
    for (const char* var : {"order", "separator", "lineEnd", "orderfile", "resultMessage"})
        EXPECT_THROW(sender.member(var), apprt::Error) << var;
}

// The class functions are also the library's own exports, for a host that
// looks them up there; they answer what the function table answers.
TEST_F(KvdlinkClasses, TheLibraryExportsItsClassFunctionsByName) {
    using Fn = Value (*)(apprt::Args);
#if defined(_WIN32)
    HMODULE lib = GetModuleHandleW((testing_support::binDir() / "kvdlink.dll").c_str());
    auto find = [&](const char* name) { return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(lib, name))); };
#else
    void* lib = dlopen((testing_support::binDir() / "libkvdlink.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    auto find = [&](const char* name) { return reinterpret_cast<Fn>(dlsym(lib, name)); };
#endif
    ASSERT_NE(lib, nullptr);
    for (const char* name : {"SENDORDERINTERFACE", "ORDER_STRUCTURE", "ORDERPOSITION_STRUCTURE",
                             "SUPPLIER_STRUCTURE", "PARAM_STRUCTURE", "KVD"}) {
        const Fn fn = find(name);
        ASSERT_NE(fn, nullptr) << name;
        EXPECT_EQ(fn({}), apprt::call(name)) << name;
    }
#if !defined(_WIN32)
    dlclose(lib);
#endif
}

TEST_F(KvdlinkClasses, RecordDefaults) {
    const Value position = apprt::call("ORDERPOSITION_STRUCTURE").send("new");
    for (const char* text : {"partNo", "description", "size", "color", "ean", "orig", "custName",
                             "custForename", "missionNo", "vin", "remark"})
        EXPECT_EQ(position.member(text), Value("")) << text;
    EXPECT_EQ(position.member("quantity"), Value(0));
    EXPECT_TRUE(position.member("quantity").isInteger());
    EXPECT_EQ(position.member("custNo"), Value(0));

    const Value order = apprt::call("ORDER_STRUCTURE").send("new");
    for (const char* m : {"orderNo", "dealerNumber", "orderType", "lines", "supplier", "orderPos"})
        EXPECT_TRUE(order.member(m).isNil()) << m;
    const Value supplier = apprt::call("SUPPLIER_STRUCTURE").send("new");
    for (const char* m : {"lr", "name", "name2", "street", "postcode", "countrycode", "town",
                          "telephone", "fax", "email", "mobile", "vfabfrage", "user", "pass",
                          "dealernumber"})
        EXPECT_TRUE(supplier.member(m).isNil()) << m;

    // dealerNumber of the order and dealernumber of the supplier are apart.
    order.assign("dealerNumber", Value("40117"));
    EXPECT_TRUE(supplier.member("dealernumber").isNil());
}

TEST_F(KvdlinkClasses, VeloxportIsOneValueForEveryParamRecord) {
    const Value cls = apprt::call("PARAM_STRUCTURE");
    const Value a = cls.send("new"), b = cls.send("new");
    a.assign("veloxport", Value("/srv/export"));
    EXPECT_EQ(b.member("VELOXPORT"), Value("/srv/export"));
    EXPECT_EQ(cls.member("veloxport"), Value("/srv/export"));
}

}  // namespace
