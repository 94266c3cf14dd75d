// deskkit on Linux: TEXT2FILE against links and unusable paths, SHELLOPENFILE
// on a desktop the test builds, and DLLCALL.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "error.h"
#include "functions.h"
#include "plugin_env.h"
#include "test_support.h"

using apprt::Value;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

using testing_support::errorOf;

namespace {

class Deskkit : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing_support::loadPlugin("deskkit"); }
};

TEST_F(Deskkit, Text2FileRefusesUnusablePathsWithoutLeaks) {
    TempDir dir;
    std::filesystem::create_directory(dir / "ro");
    std::filesystem::permissions(dir / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    std::vector<std::string> paths = {
        dir.path().string(),                                   // a directory
        (dir / std::string(300, 'n')).string(),                // a name too long
        (dir / "a").string() + std::string(1, '\0') + "b",     // an embedded NUL
        "",
    };
    if (::geteuid() != 0) paths.push_back((dir / "ro" / "f.txt").string());  // root writes anywhere
    const auto fds = testing_support::openDescriptorCount();
    for (const auto& p : paths)
        EXPECT_EQ(apprt::call("TEXT2FILE", {Value(p), Value("x")}), Value(false)) << p;
    EXPECT_EQ(testing_support::openDescriptorCount(), fds);
    EXPECT_TRUE(std::filesystem::is_empty(dir / "ro"));
}

TEST_F(Deskkit, Text2FileDoesNotFollowALinkPlacedAfterTheErase) {
    TempDir dir;
    const auto target = dir / "elsewhere.txt";
    writeFile(target, "keep me");
    const auto path = dir / "KVD.csv";
    const auto realErase = apprt::currentFunction("FERASE");
    apprt::FunctionOverride racingErase("FERASE", 1, [&](apprt::Args a) {
        const Value r = realErase(a);
        std::error_code ec;
        std::filesystem::create_symlink(target, path, ec);  // someone else is quick
        return r;
    });
    EXPECT_EQ(apprt::call("TEXT2FILE", {Value(path.string()), Value("order")}), Value(false));
    EXPECT_EQ(readFile(target), "keep me");
}

// A desktop of our own: a handler application for text/plain that writes its
// arguments and working directory to a marker file.
class ShellOpen : public Deskkit {
protected:
    void SetUp() override {
        const auto r = root.path();
        for (const char* d : {"home", "data", "config", "apps/applications", "work"})
            std::filesystem::create_directories(r / d);
        writeFile(r / "handler.sh", "#!/bin/sh\n{ printf '%s\\n' \"$@\"; pwd; } > " +
                                        (r / "marker.tmp").string() + " && mv " +
                                        (r / "marker.tmp").string() + " " + marker().string() + "\n");
        std::filesystem::permissions(r / "handler.sh", std::filesystem::perms::owner_all);
        writeFile(r / "apps/applications/orderlink-handler.desktop",
                  "[Desktop Entry]\nType=Application\nName=Test handler\nExec=" +
                      (r / "handler.sh").string() + " %f\nMimeType=text/plain;\n");
        writeFile(r / "config/mimeapps.list",
                  "[Default Applications]\ntext/plain=orderlink-handler.desktop\n");
        for (const auto& [k, v] : {std::pair<const char*, std::string>{"HOME", (r / "home").string()},
                                   {"XDG_DATA_HOME", (r / "data").string()},
                                   {"XDG_CONFIG_HOME", (r / "config").string()},
                                   {"XDG_DATA_DIRS", (r / "apps").string() + ":/usr/share"}}) {
            if (const char* old = std::getenv(k)) saved.emplace_back(k, old);
            else saved.emplace_back(k, std::nullopt);
            ::setenv(k, v.c_str(), 1);
        }
        oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(r / "work");
    }
    void TearDown() override {
        std::filesystem::current_path(oldCwd);
        for (const auto& [k, v] : saved) v ? ::setenv(k.c_str(), v->c_str(), 1) : ::unsetenv(k.c_str());
    }
    std::filesystem::path marker() const { return root / "marker"; }
    // The opener does not wait for the application: poll for its marker.
    std::string awaitMarker() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(marker()) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return std::filesystem::exists(marker()) ? readFile(marker()) : std::string();
    }

    TempDir root;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    std::filesystem::path oldCwd;
};

TEST_F(ShellOpen, OpensWithTheAssociatedApplication) {
    const auto work = root / "work";
    writeFile(work / "order.txt", "3\tA1\r\n");
    const auto fds = testing_support::openDescriptorCount();
    const Value r = apprt::call("SHELLOPENFILE", {Value("order.txt")});
    EXPECT_GT(r.integer(), 32);
    EXPECT_EQ(awaitMarker(), (work / "order.txt").string() + "\n" + work.string() + "\n");
    EXPECT_EQ(testing_support::openDescriptorCount(), fds);
    const auto kids = testing_support::children();
    EXPECT_TRUE(kids.zombies.empty());
    EXPECT_TRUE(kids.running.empty()) << "the opener is waited for, the application is not ours";
}

TEST_F(ShellOpen, ErrorsAreTheShellsNumbers) {
    writeFile(root / "work" / "blob.orderlinktest", std::string("\x00\x01\x02\xff\xfe", 5));
    struct Case {
        Value path;
        std::int64_t answer;
    } cases[] = {
        {Value("missing.txt"), 2},
        {Value((root / "nodir" / "missing.txt").string()), 2},
        {Value(""), 2},
        {Value(), 2},
        {Value("blob.orderlinktest"), 31},  // no application for it
    };
    for (const auto& c : cases)
        EXPECT_EQ(apprt::call("SHELLOPENFILE", {c.path}), Value(c.answer)) << apprt::Value(c.path).isNil();
    if (::geteuid() != 0) {  // root reads everything
        writeFile(root / "work" / "secret.txt", "x");
        std::filesystem::permissions(root / "work" / "secret.txt", std::filesystem::perms::none);
        EXPECT_EQ(apprt::call("SHELLOPENFILE", {Value("secret.txt")}), Value(5));
    }
    EXPECT_FALSE(std::filesystem::exists(marker()));
}

TEST_F(ShellOpen, TheShellsAnswerPassesThroughUnchanged) {
    std::vector<std::string> seen;
    apprt::FunctionOverride shell("DLLCALL", 19, [&](apprt::Args a) {
        for (std::size_t i = 0; i < a.size(); ++i)
            seen.push_back(a[i].isNil() ? "nil" : apprt::call("TOTEXT", {a[i]}).text());
        return Value(7);
    });
    EXPECT_EQ(apprt::call("SHELLOPENFILE", {Value("x.txt")}), Value(7));
    EXPECT_EQ(seen, (std::vector<std::string>{"SHELL32.DLL", "32", "ShellExecuteA", "0", "open",
                                              "x.txt", "nil", (root / "work").string(), "1"}));
}

TEST(DllCall, CallsAFunctionOfALibrary) {
    const std::string lib = (testing_support::binDir() / "libdllcalltarget.so").string();
    auto dll = [&](const char* fn, std::vector<Value> args) {
        std::vector<Value> all = {Value(lib), Value(0), Value(fn)};
        all.insert(all.end(), args.begin(), args.end());
        return apprt::call("DLLCALL", apprt::Args(all));
    };
    EXPECT_EQ(dll("target_none", {}), Value(42));
    EXPECT_EQ(dll("target_sum3", {Value(1), Value(-2), Value(true)}), Value(0));
    EXPECT_EQ(dll("target_length", {Value("Zündkerze")}), Value(10));
    EXPECT_EQ(dll("target_length", {Value()}), Value(-1));
    EXPECT_EQ(dll("target_six", {Value(3), Value("open"), Value("abc"), Value(), Value("dd"), Value(1)}),
              Value(3321));
    std::vector<Value> sixteen(16, Value(0));
    sixteen.back() = Value(16);
    EXPECT_EQ(dll("target_last_of_sixteen", sixteen), Value(16));

    struct Case {
        std::function<void()> op;
        std::string error;
    } cases[] = {
        {[&] { dll("no_such_function", {}); },
         "DLLCALL: no function 'no_such_function' in '" + lib + "'"},
        {[&] { apprt::call("DLLCALL", {Value("libnosuchlib.so"), Value(0), Value("f")}); },
         "DLLCALL: cannot load library 'libnosuchlib.so'"},
        {[&] { dll("target_length", {apprt::makeArray()}); },
         "DLLCALL: argument 1 cannot be passed: array"},
        {[&] { dll("target_length", {Value(1.5)}); }, "DLLCALL: expects a whole number, got 1.5"},
        {[&] { apprt::call("DLLCALL", {Value("SHELL32.DLL"), Value(32), Value("DragAcceptFiles")}); },
         "DLLCALL: no function 'DragAcceptFiles' in 'SHELL32.DLL'"},
    };
    for (const auto& c : cases) {
        const std::string e = errorOf(c.op);
        EXPECT_EQ(e.substr(0, c.error.size()), c.error);
    }
}

TEST(Desktop, AnswersItsWindowHandle) {
    EXPECT_EQ(apprt::call("DESKTOP").send("GetHWND"), Value(0));
    EXPECT_EQ(apprt::call("CURDIR"), Value(std::filesystem::current_path().string()));
}

}  // namespace
