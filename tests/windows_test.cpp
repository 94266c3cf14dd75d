// The real target's own behaviour: the Win32 clipboard, the real ShellExecuteA,
// DLLCALL in the stdcall convention, the runtime's error across DLLs, the
// version resources, and orderhost.exe's upload over Winsock.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "error.h"
#include "functions.h"
#include "plugin_env.h"
#include "server_process.h"
#include "test_support.h"

using apprt::Value;
using testing_support::TempDir;

namespace {

// Wine keeps the clipboard's text only while the process that set it lives:
// read it back here.
std::string clipboardText() {
    if (!OpenClipboard(nullptr)) return "(clipboard busy)";
    std::string text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// Runs a command line to its end with `password` in orderhost's variable;
// answers its exit code.
DWORD runWithPassword(const std::string& commandLine, const char* password) {
    SetEnvironmentVariableA("ORDERHOST_FTP_PASSWORD", password);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    const BOOL started =
        CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA("ORDERHOST_FTP_PASSWORD", nullptr);
    if (!started) return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

class Windows : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testing_support::loadPlugin("kvdlink");
        testing_support::loadPlugin("deskkit");
    }
};

TEST_F(Windows, ClipboardHoldsTheText) {
    EXPECT_EQ(apprt::call("CLIPBOARD", {Value("Z\xfcndkerze 4 St")}), Value(true));
    EXPECT_EQ(clipboardText(), "Z\xfcndkerze 4 St");  // CF_TEXT: the ANSI bytes as they are
    EXPECT_EQ(apprt::call("CLIPBOARD", {Value("   ")}), Value(false));
    EXPECT_EQ(clipboardText(), "Z\xfcndkerze 4 St");
}

TEST_F(Windows, SenderWritesWithABackslashAndPutsThePathOnTheClipboard) {
    TempDir dir;
    const Value pos = apprt::call("ORDERPOSITION_STRUCTURE").send("new");
    pos.assign("partNo", Value("A1"));
    pos.assign("quantity", Value(3));
    const Value order = apprt::call("ORDER_STRUCTURE").send("new");
    order.assign("orderPos", apprt::makeArray({pos}));
    order.assign("lines", Value(1));
    const Value param = apprt::call("PARAM_STRUCTURE").send("new");
    param.assign("veloxport", Value(dir.path().string()));
    const Value sender = apprt::call("KVD").send("new");
    EXPECT_EQ(sender.send("send", {order, param}), Value(true));
    const std::string path = dir.path().string() + "\\KVD.csv";
    EXPECT_EQ(testing_support::readFile(path), "3\tA1\r\n");
    EXPECT_EQ(clipboardText(), path);
}

TEST_F(Windows, ShellOpenFileAnswersWhatShellExecuteAnswers) {
    TempDir dir;
    testing_support::writeFile(dir / "blob.orderlinktest", "x");
    EXPECT_EQ(apprt::call("SHELLOPENFILE", {Value((dir / "missing.orderlinktest").string())}), Value(2));
    EXPECT_EQ(apprt::call("SHELLOPENFILE", {Value((dir / "blob.orderlinktest").string())}), Value(31));
    EXPECT_NE(apprt::call("DESKTOP").send("GetHWND"), Value(0));
}

TEST_F(Windows, DllCallUsesStdcallForCode32) {
    EXPECT_EQ(apprt::call("DLLCALL", {Value("KERNEL32.DLL"), Value(32), Value("GetCurrentProcessId")}),
              Value(static_cast<std::int64_t>(GetCurrentProcessId())));
    // lstrlenA takes one argument and removes it itself.
    EXPECT_EQ(apprt::call("DLLCALL", {Value("kernel32.dll"), Value(32), Value("lstrlenA"), Value("abcd")}),
              Value(4));
    // Six arguments, as ShellExecuteA takes: the size MultiByteToWideChar needs.
    EXPECT_EQ(apprt::call("DLLCALL", {Value("kernel32.dll"), Value(32), Value("MultiByteToWideChar"),
                                      Value(0), Value(0), Value("abc"), Value(-1), Value(), Value(0)}),
              Value(4));
    EXPECT_THROW(apprt::call("DLLCALL", {Value("nosuch.dll"), Value(32), Value("f")}), apprt::Error);
}

TEST_F(Windows, TheRuntimesErrorCrossesEveryDll) {
    // Raised in apprt.dll on behalf of kvdlink.dll and deskkit.dll, caught here.
    const Value sender = apprt::call("KVD").send("new");
    EXPECT_THROW(sender.send("send", {Value(), Value()}), apprt::Error);
    EXPECT_THROW(apprt::call("TEXT2FILE", {Value(), Value("x")}), apprt::Error);
    try {
        sender.send("setSeparator");
    } catch (const apprt::Error& e) {
        EXPECT_STREQ(e.what(), "KVD: 'setSeparator' is hidden");
    }
}

TEST(WindowsFiles, EveryBinaryCarriesItsVersion) {
    const std::string runtime = std::to_string(apprt::kRuntimeVersion / 100) + "." +
                                std::to_string(apprt::kRuntimeVersion / 10 % 10) +
                                std::to_string(apprt::kRuntimeVersion % 10);
    for (const char* name : {"apprt.dll", "kvdlink.dll", "deskkit.dll", "netlib.dll", "orderhost.exe"}) {
        const std::string file = (testing_support::binDir() / name).string();
        DWORD ignored = 0;
        std::vector<char> info(GetFileVersionInfoSizeA(file.c_str(), &ignored));
        ASSERT_FALSE(info.empty()) << name << " has no version resource";
        ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
        void* value = nullptr;
        UINT size = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &value, &size)) << name;
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(ORDERLINK_VERSION_MINOR,
                                                                      ORDERLINK_VERSION_MAJOR)))
            << name;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040704E4\\RuntimeVersion", &value, &size))
            << name;
        EXPECT_EQ(std::string(static_cast<const char*>(value)), runtime) << name;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040704E4\\OriginalFilename", &value, &size));
        EXPECT_EQ(std::string(static_cast<const char*>(value)), name);
    }
}

TEST_F(Windows, OrderhostUploadsOverWinsock) {
    testing_support::PyFtpServer server;
    TempDir dir;
    testing_support::writeFile(dir / "KVD.csv", "3\tA1\r\n");
    const std::string command = "\"" + (testing_support::binDir() / "orderhost.exe").string() +
                                "\" upload --host " + server.host() + " --user anna ";
    const std::string file = "\"" + (dir / "KVD.csv").string() + "\"";
    EXPECT_EQ(runWithPassword(command + "--passive " + file, "secret"), 0u);
    EXPECT_EQ(testing_support::readFile(server.home() / "KVD.csv"), "3\tA1\r\n");
    std::filesystem::remove(server.home() / "KVD.csv");
    EXPECT_EQ(runWithPassword(command + file, "secret"), 0u);  // active: the server connects back
    EXPECT_EQ(testing_support::readFile(server.home() / "KVD.csv"), "3\tA1\r\n");
    EXPECT_EQ(runWithPassword(command + file, "wrong"), 1u);
}

}  // namespace
