// UPLOADFTP and UPFTP against a scripted FTP client class: the order of calls,
// the pauses, and the list handling.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "class_registry.h"
#include "error.h"
#include "functions.h"
#include "object.h"
#include "plugin_env.h"
#include "services.h"

using namespace apprt;

namespace {

// What each call does, by its argument: an answer, or code that acts.
struct Script {
    std::vector<std::string> log;
    std::map<std::string, Value> connect, login, put;  // missing: true
    std::function<void(const std::string& file)> onPut;
};
Script script;

Value answerFor(const std::map<std::string, Value>& m, const std::string& key) {
    auto it = m.find(key);
    return it == m.end() ? Value(true) : it->second;
}

Value scriptedClientClass() {
    return ClassRegistry::instance().obtainObject("ScriptedFtpClient", [] {
        ClassDraft d("ScriptedFtpClient", 1, 0, 6);
        d.var("PassiveMode", VarKind::Instance, Visibility::Exported)
            .method("init", MethodKind::Instance, Visibility::Exported,
                    [](const Value& self, Args) {
                        script.log.push_back("new");
                        return self;
                    })
            .method("SetCallBack", MethodKind::Instance, Visibility::Exported,
                    [](const Value&, Args a) {
                        script.log.push_back(std::string("SetCallBack:") + valType(a[0]));
                        return Value();
                    })
            .method("Connect", MethodKind::Instance, Visibility::Exported,
                    [](const Value& self, Args a) {
                        script.log.push_back("Connect:" + a[0].text() + " passive:" +
                                             toText(self.member("PassiveMode")).text());
                        return answerFor(script.connect, a[0].text());
                    })
            .method("Login", MethodKind::Instance, Visibility::Exported,
                    [](const Value&, Args a) {
                        script.log.push_back("Login:" + a[0].text() + "/" + a[1].text());
                        return answerFor(script.login, a[0].text());
                    })
            .method("PutFile", MethodKind::Instance, Visibility::Exported,
                    [](const Value&, Args a) {
                        const std::string file = a[0].isText() ? a[0].text() : toText(a[0]).text();
                        script.log.push_back("PutFile:" + file);
                        if (script.onPut) script.onPut(file);
                        return answerFor(script.put, file);
                    })
            .method("Destroy", MethodKind::Instance, Visibility::Exported, [](const Value&, Args) {
                script.log.push_back("Destroy");
                return Value();
            });
        return d;
    });
}

class Upload : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing_support::loadPlugin("deskkit"); }
    void SetUp() override { script = Script{}; }

    FunctionOverride client{"FTPCLIENT", 0, [](Args) { return scriptedClientClass(); }};
    FunctionOverride sleep{"SLEEP", 1, [](Args a) {
                               script.log.push_back("SLEEP:" + toText(a[0]).text());
                               return Value();
                           }};

    static Value upload(const char* fn, const Value& files, const Value& passive = Value()) {
        return call(fn,
                    {Value("ftp.example:21"), Value("anna"), Value("pw"), files, Value(), passive});
    }
};

using Log = std::vector<std::string>;

TEST_F(Upload, UploadftpStopsAtTheFirstFalseAndAlwaysDestroys) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        Value result;
        Log log;
    } cases[] = {
        {"all succeed",
         [] {},
         Value(true),
         {"new", "SetCallBack:U", "Connect:ftp.example:21 passive:.F.", "Login:anna/pw",
          "PutFile:a.csv", "Destroy"}},
        {"connect fails",
         [] { script.connect["ftp.example:21"] = Value(false); },
         Value(false),
         {"new", "SetCallBack:U", "Connect:ftp.example:21 passive:.F.", "Destroy"}},
        {"login fails",
         [] { script.login["anna"] = Value(false); },
         Value(false),
         {"new", "SetCallBack:U", "Connect:ftp.example:21 passive:.F.", "Login:anna/pw",
          "Destroy"}},
        {"put fails",
         [] { script.put["a.csv"] = Value(false); },
         Value(false),
         {"new", "SetCallBack:U", "Connect:ftp.example:21 passive:.F.", "Login:anna/pw",
          "PutFile:a.csv", "Destroy"}},
    };
    for (const auto& c : cases) {
        script = Script{};
        c.arrange();
        EXPECT_EQ(upload("UPLOADFTP", Value("a.csv")), c.result) << c.what;
        EXPECT_EQ(script.log, c.log) << c.what;
    }
}

TEST_F(Upload, PassiveFlagAndCallbackPassUnchanged) {
    const Value block = makeBlock([](Args) { return Value(); });
    call("UPLOADFTP", {Value("h"), Value("u"), Value("p"), Value("f"), block, Value(true)});
    EXPECT_EQ(script.log[1], "SetCallBack:B");
    EXPECT_EQ(script.log[2], "Connect:h passive:.T.");
    script = Script{};
    call("UPLOADFTP", {Value("h"), Value("u"), Value("p"), Value("f")});  // five left out: active
    EXPECT_EQ(script.log[2], "Connect:h passive:.F.");
}

TEST_F(Upload, NonLogicalAnswersAndErrorsReachTheCallerWithoutDestroy) {
    script.connect["ftp.example:21"] = Value();
    try {
        upload("UPFTP", makeArray({Value("a"), Value("b")}));
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), ".AND.: expects a logical, got nil");
    }
    EXPECT_EQ(script.log, (Log{"new", "SetCallBack:U", "Connect:ftp.example:21 passive:.F."}));

    script = Script{};
    script.onPut = [](const std::string&) { throw Error("FTPClient", "disk on fire"); };
    EXPECT_THROW(upload("UPLOADFTP", Value("a")), Error);
    EXPECT_EQ(script.log.back(), "PutFile:a");
}

TEST_F(Upload, UpftpUploadsEachFileOverItsOwnConnectionAndPausesAfterEach) {
    script.put["b.csv"] = Value(false);
    EXPECT_EQ(upload("UPFTP", makeArray({Value("a.csv"), Value("b.csv"), Value("c.csv")})),
              Value(true));
    Log expected;
    for (const char* f : {"a.csv", "b.csv", "c.csv"}) {
        for (const std::string& e :
             Log{"new", "SetCallBack:U", "Connect:ftp.example:21 passive:.F.", "Login:anna/pw",
                 std::string("PutFile:") + f, "Destroy", "SLEEP:300"})
            expected.push_back(e);
    }
    EXPECT_EQ(script.log, expected);

    // The result is the last upload's: an earlier success does not show.
    script = Script{};
    script.put["c.csv"] = Value(false);
    EXPECT_EQ(upload("UPFTP", makeArray({Value("a.csv"), Value("c.csv")})), Value(false));
    EXPECT_EQ(script.log.back(), "SLEEP:300");
}

TEST_F(Upload, UpftpWithOneNameIsOneUploadAndAPause) {
    EXPECT_EQ(upload("UPFTP", Value("KVD.csv"), Value(true)), Value(true));
    EXPECT_EQ(script.log, (Log{"new", "SetCallBack:U", "Connect:ftp.example:21 passive:.T.",
                               "Login:anna/pw", "PutFile:KVD.csv", "Destroy", "SLEEP:300"}));
}

TEST_F(Upload, UpftpRefusesOtherKindsAndEmptyListsAtOnce) {
    for (const Value& files : {makeArray(), Value(5), Value(), Value(true)}) {
        EXPECT_EQ(upload("UPFTP", files), Value(false));
        EXPECT_TRUE(script.log.empty()) << toText(files).text();
    }
}

TEST_F(Upload, UpftpUsesTheCallersArrayLive) {
    const Value files = makeArray({Value("a"), Value("b")});
    script.onPut = [&](const std::string& file) {
        if (file == "a") files.array().append(Value("added"));  // grows while the loop runs
        if (file == "b") files.array().items().pop_back();      // and shrinks
    };
    EXPECT_EQ(upload("UPFTP", files), Value(true));
    Log puts;
    for (const auto& e : script.log)
        if (e.rfind("PutFile:", 0) == 0) puts.push_back(e);
    EXPECT_EQ(puts, (Log{"PutFile:a", "PutFile:b"}));

    // Elements are passed on without a test of their kind.
    script = Script{};
    EXPECT_EQ(upload("UPFTP", makeArray({Value(7)})), Value(true));
    EXPECT_EQ(script.log[4], "PutFile:7");
}

}  // namespace
