// The FTP client against real servers on loopback: pyftpdlib, and a scripted
// server for the faults real servers rarely show.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <sstream>

#include "error.h"
#include "ftp_session.h"
#include "functions.h"
#include "plugin_env.h"
#include "server_process.h"
#include "services.h"
#include "test_support.h"

using apprt::Value;
using namespace testing_support;
using Clock = std::chrono::steady_clock;

namespace {

std::string randomBytes(std::size_t n) {
    std::mt19937 gen(12345);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen());
    return s;
}

const netlib::Limits kShort{std::chrono::milliseconds(2000), std::chrono::milliseconds(1000),
                            std::chrono::milliseconds(1000), std::chrono::milliseconds(500)};

// UPLOADFTP as the host calls it.
Value uploadFtp(const std::string& host, const std::string& user, const std::string& password,
                const std::string& file, const Value& callback = Value(), const Value& passive = Value()) {
    return apprt::call("UPLOADFTP",
                       {Value(host), Value(user), Value(password), Value(file), callback, passive});
}

class Ftp : public ::testing::Test {
protected:
    static void SetUpTestSuite() { loadPlugin("deskkit"); }
    TempDir local;
};

TEST_F(Ftp, UploadsArriveByteForByte) {
    PyFtpServer server;
    struct Case {
        std::string name, bytes;
    } files[] = {{"empty.csv", ""}, {"KVD.csv", "3\tA1\r\n10\tB-7\r\n"}, {"big.bin", randomBytes(3 << 20)}};
    for (const bool passive : {true, false}) {
        for (const auto& f : files) {
            writeFile(local / f.name, f.bytes);
            std::filesystem::remove(server.home() / f.name);
            EXPECT_EQ(uploadFtp(server.host(), "anna", "secret", (local / f.name).string(), Value(),
                                Value(passive)),
                      Value(true))
                << f.name << (passive ? " passive" : " active");
            EXPECT_EQ(readFile(server.home() / f.name), f.bytes) << f.name;
        }
    }
    const std::string log = server.log();
    EXPECT_NE(log.find("EPSV"), std::string::npos);
    EXPECT_NE(log.find("EPRT |1|127.0.0.1|"), std::string::npos);
    EXPECT_NE(log.find("TYPE I"), std::string::npos);
    EXPECT_NE(log.find("QUIT"), std::string::npos);
}

TEST_F(Ftp, VsftpdTakesUploadsInBothModes) {
    Vsftpd server;
    int n = 0;
    for (const bool passive : {true, false})
        for (const std::string& bytes : {std::string(), randomBytes(3 << 20)}) {
            const std::string name = "upload" + std::to_string(++n) + ".bin";
            writeFile(local / name, bytes);
            EXPECT_EQ(uploadFtp(server.host(), "anonymous", "", (local / name).string(), Value(),
                                Value(passive)),
                      Value(true))
                << name << (passive ? " passive" : " active");
            EXPECT_EQ(readFile(server.home() / name), bytes) << name;
        }
    // Anonymous users may not overwrite: the server's refusal is a false.
    EXPECT_EQ(uploadFtp(server.host(), "anonymous", "", (local / "upload1.bin").string()), Value(false));
}

TEST_F(Ftp, OverIpv6) {
    PyFtpServer server("::1");
    writeFile(local / "v6.txt", "over IPv6");
    for (const bool passive : {true, false}) {
        std::filesystem::remove(server.home() / "v6.txt");
        EXPECT_EQ(uploadFtp(server.host(), "anna", "secret", (local / "v6.txt").string(), Value(),
                            Value(passive)),
                  Value(true));
        EXPECT_EQ(readFile(server.home() / "v6.txt"), "over IPv6");
    }
    EXPECT_NE(server.log().find("EPRT |2|::1|"), std::string::npos);
}

TEST_F(Ftp, FailuresAnswerFalse) {
    PyFtpServer server;
    writeFile(local / "f.txt", "x");
    const std::string file = (local / "f.txt").string();
    struct Case {
        const char* what;
        std::string host, user, password, file;
    } cases[] = {
        {"wrong password", server.host(), "anna", "wrong", file},
        {"unknown user", server.host(), "nobody", "secret", file},
        {"refused port", "127.0.0.1:" + std::to_string(refusedPort()), "anna", "secret", file},
        {"unknown host", "no-such-host.invalid", "anna", "secret", file},
        {"missing local file", server.host(), "anna", "secret", (local / "none.txt").string()},
        {"a directory", server.host(), "anna", "secret", local.path().string()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(uploadFtp(c.host, c.user, c.password, c.file), Value(false)) << c.what;
    EXPECT_EQ(server.log().find("STOR"), std::string::npos);
}

TEST_F(Ftp, InjectionNeverReachesTheServer) {
    PyFtpServer server;
    writeFile(local / "f.txt", "x");
    const std::string file = (local / "f.txt").string();
    const std::string evil = "\r\nDELE f.txt";
    struct Case {
        std::string host, user, password, file;
    } cases[] = {
        {server.host() + evil, "anna", "secret", file},
        {server.host(), "anna" + evil, "secret", file},
        {server.host(), "anna", "secret" + evil, file},
        {server.host(), "anna", std::string("sec\0ret", 7), file},
        {server.host(), "anna", "secret", (local / "f.txt\nDELE f.txt").string()},
    };
    for (const auto& c : cases) EXPECT_EQ(uploadFtp(c.host, c.user, c.password, c.file), Value(false));
    // The refused logins send nothing but the QUIT of Destroy; only the last
    // case logs in, and its file name is refused before STOR.
    std::istringstream log(server.log());
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"QUIT", "QUIT", "QUIT", "USER anna", "PASS secret",
                                               "TYPE I", "QUIT"}));
}

TEST_F(Ftp, TheCallbackSeesTheProgressAndItsErrorsEndTheUpload) {
    PyFtpServer server;
    const std::string bytes = randomBytes(1 << 20);
    writeFile(local / "p.bin", bytes);
    std::vector<std::int64_t> seen;
    const Value callback = apprt::makeBlock([&](apprt::Args a) {
        EXPECT_EQ(a[0], Value("p.bin"));
        EXPECT_EQ(a[2], Value(static_cast<std::int64_t>(bytes.size())));
        seen.push_back(a[1].integer());
        return Value();
    });
    EXPECT_EQ(uploadFtp(server.host(), "anna", "secret", (local / "p.bin").string(), callback,
                        Value(true)),
              Value(true));
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), static_cast<std::int64_t>(bytes.size()));

    const auto fds = openDescriptorCount();
    const Value failing = apprt::makeBlock([](apprt::Args) -> Value {
        throw apprt::Error("callback", "the host gave up");
    });
    try {
        uploadFtp(server.host(), "anna", "secret", (local / "p.bin").string(), failing, Value(true));
        ADD_FAILURE() << "the callback's error was swallowed";
    } catch (const apprt::Error& e) {
        EXPECT_STREQ(e.what(), "callback: the host gave up");
    }
    EXPECT_EQ(openDescriptorCount(), fds) << "the client was not released";
    EXPECT_THROW(uploadFtp(server.host(), "anna", "secret", (local / "p.bin").string(), Value(5)),
                 apprt::Error);
}

TEST_F(Ftp, FaultsAnswerFalseWithinTheLimits) {
    writeFile(local / "small.txt", "small");
    writeFile(local / "large.bin", randomBytes(64 << 20));
    struct Case {
        const char* scenario;
        const char* failsAt;  // connect, login or put
        bool large = false;
    } cases[] = {
        {"no-greeting", "connect"},       {"greeting-421", "connect"},
        {"close-in-multiline", "connect"}, {"endless-line", "connect"},
        {"endless-multiline", "connect"}, {"slow-greeting", "connect"},
        {"login-530", "login"},           {"account-332", "login"},
        {"silent-after-user", "login"},   {"stor-550", "put"},
        {"stor-552", "put"},              {"drop-mid-transfer", "put", true},
        {"stall", "put", true},
    };
    const auto fds = openDescriptorCount();
    for (const auto& c : cases) {
        FaultServer server(c.scenario);
        const auto start = Clock::now();
        std::string step;
        {
            netlib::FtpSession s(kShort);
            if (!s.connect(server.host())) step = "connect";
            else if (!s.login("anna", "secret")) step = "login";
            else if (!s.putFile(local / (c.large ? "large.bin" : "small.txt"), true)) step = "put";
            EXPECT_FALSE(s.lastError().empty()) << c.scenario;
            EXPECT_EQ(s.lastError().find("secret"), std::string::npos) << s.lastError();
        }
        EXPECT_EQ(step, c.failsAt) << c.scenario;
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(10)) << c.scenario;
    }
    EXPECT_EQ(openDescriptorCount(), fds);
}

TEST_F(Ftp, PassiveIgnoresTheAddressInThePasvReply) {
    // No EPSV; the 227 reply names 10.9.8.7, and the data goes to 127.0.0.1.
    FaultServer server("no-epsv");
    writeFile(local / "small.txt", "small");
    netlib::FtpSession s(kShort);
    ASSERT_TRUE(s.connect(server.host()));
    ASSERT_TRUE(s.login("anna", "secret"));
    EXPECT_TRUE(s.putFile(local / "small.txt", true)) << s.lastError();
    EXPECT_NE(server.log().find("PASV"), std::string::npos);
}

TEST_F(Ftp, ShortLimitsComeFromTheRuntimeSettings) {
    FaultServer server("no-greeting");
    writeFile(local / "small.txt", "small");
    apprt::setSetting("netlib.connect_ms", 300);
    const auto start = Clock::now();
    EXPECT_EQ(uploadFtp(server.host(), "anna", "secret", (local / "small.txt").string()), Value(false));
    apprt::setSetting("netlib.connect_ms", 15000);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
