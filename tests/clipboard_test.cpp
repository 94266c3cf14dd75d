// The desktop clipboard for real: SYSCLIPBOARD and the sender under Xvfb.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <csignal>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "error.h"
#include "functions.h"
#include "plugin_env.h"
#include "test_support.h"
#include "xvfb.h"

using apprt::Value;

namespace {

class Clipboard : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        display = std::make_unique<testing_support::XvfbDisplay>();
        testing_support::loadKvdlink();
        testing_support::loadPlugin("deskkit");
    }
    static void TearDownTestSuite() { display.reset(); }

    static bool set(const Value& text) {
        const Value board = apprt::call("SYSCLIPBOARD").send("New");
        for (const char* step : {"create", "open", "clear"}) board.send(step);
        const Value r = board.send("setBuffer", {text});
        board.send("close");
        board.send("destroy");
        return r == Value(true);
    }

    static inline std::unique_ptr<testing_support::XvfbDisplay> display;
};

TEST_F(Clipboard, TextsArriveAsUtf8) {
    struct Case {
        std::string text, expected;
    } cases[] = {
        {"/srv/export/KVD.csv", "/srv/export/KVD.csv"},
        {"Zündkerze €", "Zündkerze €"},                      // valid UTF-8 passes unchanged
        {"Z\xfcndkerze \x80 \xe4", "Zündkerze € ä"},         // otherwise Windows-1252
        {"line\r\nnext\ttab", "line\r\nnext\ttab"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(set(Value(c.text)));
        EXPECT_EQ(testing_support::awaitClipboard(c.expected), c.expected);
    }
}

TEST_F(Clipboard, SenderPutsThePathOnTheClipboard) {
    testing_support::TempDir dir;
    const Value pos = apprt::call("ORDERPOSITION_STRUCTURE").send("new");
    pos.assign("partNo", Value("A1"));
    const Value order = apprt::call("ORDER_STRUCTURE").send("new");
    order.assign("orderPos", apprt::makeArray({pos}));
    order.assign("lines", Value(1));
    const Value param = apprt::call("PARAM_STRUCTURE").send("new");
    param.assign("veloxport", Value(dir.path().string()));
    EXPECT_EQ(apprt::call("KVD").send("new").send("send", {order, param}), Value(true));
    EXPECT_EQ(testing_support::awaitClipboard((dir / "KVD.csv").string()), (dir / "KVD.csv").string());
}

TEST_F(Clipboard, DeskkitClipboardRefusesEmptyTexts) {
    EXPECT_EQ(apprt::call("CLIPBOARD", {Value("before")}), Value(true));
    ASSERT_EQ(testing_support::awaitClipboard("before"), "before");
    for (const Value& empty : {Value(), Value(""), Value("   "), Value(" \t\r\n")}) {
        EXPECT_EQ(apprt::call("CLIPBOARD", {empty}), Value(false));
        EXPECT_EQ(apprt::call("CLIPBOARD"), Value(false));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(testing_support::readClipboard(), "before");
    EXPECT_EQ(apprt::call("CLIPBOARD", {Value("Gr\xfc\xdf" "e \x84" "Auftrag\x93")}), Value(true));
    EXPECT_EQ(testing_support::awaitClipboard("Grüße „Auftrag“"), "Grüße „Auftrag“");
    // A value that is neither empty nor a text is the clipboard class's to refuse.
    EXPECT_THROW(apprt::call("CLIPBOARD", {Value(5)}), apprt::Error);
}

TEST_F(Clipboard, OrderhostClipboard) {
    const auto host = (testing_support::binDir() / "orderhost").string();
    auto r = testing_support::run({host, "clipboard", "from orderhost"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(testing_support::awaitClipboard("from orderhost"), "from orderhost");
    for (const std::vector<std::string>& args : {std::vector<std::string>{host, "clipboard"},
                                                 {host, "clipboard", "  "}}) {
        r = testing_support::run(args);
        EXPECT_EQ(r.status, 1);
    }
    EXPECT_EQ(testing_support::readClipboard(), "from orderhost");
}

TEST_F(Clipboard, WorksInAHostThatIgnoresSigchldAndSigpipe) {
    EXPECT_EXIT(testing_support::exitWith([&] {
                    std::signal(SIGCHLD, SIG_IGN);
                    std::signal(SIGPIPE, SIG_IGN);
                    if (!set(Value("ignored signals"))) return 1;
                    return testing_support::awaitClipboard("ignored signals") == "ignored signals" ? 0 : 2;
                }),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(Clipboard, AHelperThatExitsEarlyDoesNotKillTheHost) {
    // A "clipboard helper" that reads nothing: the write meets a closed pipe.
    testing_support::TempDir bin;
    testing_support::writeFile(bin / "xsel", "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(bin / "xsel", std::filesystem::perms::owner_all);
    EXPECT_EXIT(testing_support::exitWith([&] {
                    ::setenv("PATH", bin.path().c_str(), 1);
                    set(Value(std::string(1 << 20, 'x')));
                    return 0;
                }),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(Clipboard, WithoutADisplayItFailsQuietly) {
    EXPECT_EXIT(testing_support::exitWith([&] {
                    ::unsetenv("DISPLAY");
                    ::unsetenv("WAYLAND_DISPLAY");
                    return set(Value("nowhere")) ? 1 : 0;
                }),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(Clipboard, LeavesNoDescriptorOrChildBehind) {
    const auto before = testing_support::openDescriptorCount();
    for (int i = 0; i < 5; ++i) set(Value("round " + std::to_string(i)));
    EXPECT_EQ(testing_support::openDescriptorCount(), before);
    const auto kids = testing_support::children();
    EXPECT_TRUE(kids.zombies.empty());
    EXPECT_EQ(kids.running, std::vector<int>{display->pid()});
}

}  // namespace
