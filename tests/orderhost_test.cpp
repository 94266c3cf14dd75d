// orderhost end to end: the program as a person runs it.
#include <gtest/gtest.h>

#include "server_process.h"
#include "test_support.h"

using testing_support::readFile;
using testing_support::RunResult;
using testing_support::TempDir;

namespace {

// orderhost without a desktop: the clipboard step fails quietly.
RunResult orderhost(std::vector<std::string> args, const std::string& input = {}) {
    args.insert(args.begin(), (testing_support::binDir() / "orderhost").string());
    return testing_support::run(args, input, {"DISPLAY=", "WAYLAND_DISPLAY="});
}

const std::string kSuccess = "Die Bestelldaten befinden sich in der Datei ";

TEST(Orderhost, InfoPrintsPurposeAndContract) {
    const auto r = orderhost({"info"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Bestellung als CSVdatei erzeugen (KVD.csv)\nSendOrderInterface\n");
}

TEST(Orderhost, SendsTheBundledExample) {
    TempDir dir;
    const auto example = std::filesystem::path(ORDERLINK_SOURCE_DIR) / "examples" / "order.json";
    const auto r = orderhost({"send", "--export-dir", dir.path().string(), example.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kSuccess + (dir / "KVD.csv").string() + "\n");
    EXPECT_EQ(readFile(dir / "KVD.csv"),
              "2\t0986494524\r\n1\tF026400287\r\n4\t0242236565\r\n1\t3397007620\r\n");
}

TEST(Orderhost, OrdersFromStandardInput) {
    TempDir dir;
    const std::string d = dir.path().string();
    struct Case {
        const char* what;
        std::string json;
        int status;
        std::string out, file;
    } cases[] = {
        {"names in any case, lines counted",
         R"({"ORDERPOS": [{"PartNo": "A1", "QUANTITY": 3}, {"partno": "B-7", "quantity": 10}]})", 0,
         kSuccess + d + "/KVD.csv\n", "3\tA1\r\n10\tB-7\r\n"},
        {"lines given", R"({"lines": 1, "orderPos": [{"partNo": "A"}, {"partNo": "B"}]})", 0,
         kSuccess + d + "/KVD.csv\n", "0\tA\r\n"},
        {"UTF-8 bytes unchanged", R"({"orderPos": [{"partNo": "Zündkerze", "quantity": "2 St"}]})", 0,
         kSuccess + d + "/KVD.csv\n", "2 St\tZündkerze\r\n"},
        {"no positions", R"({"orderNo": "B-1", "orderPos": []})", 2,
         "Keine Bestellpositionen gefunden\n", ""},
        {"tab in a part number", R"({"orderPos": [{"partNo": "A\tB"}]})", 1,
         "Fehler beim Erstellen der Bestelldatei: " + d +
             "/KVD.csv (Position 1 enthält einen Tabulator oder Zeilenumbruch)\n",
         ""},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(dir / "KVD.csv");
        const auto r = orderhost({"send", "--export-dir", d, "-"}, c.json);
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.what;
        if (!c.file.empty()) EXPECT_EQ(readFile(dir / "KVD.csv"), c.file) << c.what;
        else EXPECT_FALSE(std::filesystem::exists(dir / "KVD.csv")) << c.what;
    }
}

TEST(Orderhost, FailuresHaveTheirExitStatus) {
    TempDir dir;
    const std::string d = dir.path().string();
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string input;
        int status;
        std::string err;  // a part of standard error
    } cases[] = {
        {"missing export directory", {"send", "--export-dir", d + "/missing", "-"},
         R"({"orderPos": [{"partNo": "A"}]})", 1, ""},
        {"lines of the wrong kind", {"send", "--export-dir", d, "-"}, R"({"lines": "2"})", 3,
         "orderhost: >: cannot compare text with number\n"},
        {"more lines than positions", {"send", "--export-dir", d, "-"},
         R"({"lines": 2, "orderPos": [{"partNo": "A"}]})", 3,
         "orderhost: []: index 2 is outside an array of 1\n"},
        {"a position that is no object", {"send", "--export-dir", d, "-"},
         R"({"orderPos": [{"partNo": "A"}, 5]})", 3,
         "orderhost: number: cannot read member 'quantity'\n"},
        {"not JSON", {"send", "--export-dir", d, "-"}, "{\n  \"lines\": ,\n}", 65,
         "line 2, column"},
        {"unknown member", {"send", "--export-dir", d, "-"},
         R"({"orderPos": [{"partNo": "A"}, {"qty": 1}]})", 65,
         "orderhost: orderPos[2]: no member 'qty'\n"},
        {"unknown supplier member", {"send", "--export-dir", d, "-"},
         R"({"supplier": {"name": "X", "city": "Y"}})", 65,
         "orderhost: supplier: no member 'city'\n"},
        {"not an object", {"send", "--export-dir", d, "-"}, "[1, 2]", 65,
         "orderhost: order: expected a JSON object\n"},
        {"unreadable order file", {"send", "--export-dir", d, d + "/none.json"}, "", 66,
         "orderhost: cannot read " + d + "/none.json"},
        {"no export directory", {"send", "-"}, "", 64, "--export-dir is required"},
        {"no subcommand", {}, "", 64, ""},
        {"unknown subcommand", {"fly"}, "", 64, ""},
        {"no plug-ins there", {"--plugin-dir", d, "info"}, "", 3, "orderhost: kvdlink: cannot load"},
    };
    for (const auto& c : cases) {
        const auto r = orderhost(c.args, c.input);
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.what << ": " << r.err;
    }
    EXPECT_TRUE(testing_support::listDir(dir.path()).empty());
}

TEST(Orderhost, WriteAndOpen) {
    TempDir dir;
    const std::string f = (dir / "note.txt").string();
    auto r = orderhost({"write", f, "given text"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readFile(f), "given text");
    const std::string bytes("from\r\nstdin\0\xff", 13);
    r = orderhost({"write", f}, bytes);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readFile(f), bytes);
    r = orderhost({"write", (dir / "no" / "f.txt").string(), "x"});
    EXPECT_EQ(r.status, 1);

    r = orderhost({"open", (dir / "missing.txt").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "2\n");
    r = orderhost({"open"});
    EXPECT_EQ(r.status, 64);
}

TEST(Orderhost, Upload) {
    testing_support::PyFtpServer server;
    TempDir dir;
    testing_support::writeFile(dir / "KVD.csv", "3\tA1\r\n");
    testing_support::writeFile(dir / "pw", "secret\n");
    const auto host = (testing_support::binDir() / "orderhost").string();
    const std::string file = (dir / "KVD.csv").string();

    auto r = testing_support::run({host, "upload", "--host", server.host(), "--user", "anna",
                                   "--passive", file},
                                  "", {"ORDERHOST_FTP_PASSWORD=secret"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(server.home() / "KVD.csv"), "3\tA1\r\n");
    std::filesystem::remove(server.home() / "KVD.csv");

    r = testing_support::run({host, "upload", "--host", server.host(), "--user", "anna",
                              "--password-file", (dir / "pw").string(), file},
                             "", {"ORDERHOST_FTP_PASSWORD="});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(server.home() / "KVD.csv"));

    r = testing_support::run({host, "upload", "--host", server.host(), "--user", "anna", file}, "",
                             {"ORDERHOST_FTP_PASSWORD=wrong"});
    EXPECT_EQ(r.status, 1);

    // No password anywhere, and nobody at a terminal to ask.
    r = testing_support::run({host, "upload", "--host", server.host(), "--user", "anna", file}, "",
                             {"ORDERHOST_FTP_PASSWORD="});
    EXPECT_EQ(r.status, 64);
    EXPECT_NE(r.err.find("no password"), std::string::npos);
    r = testing_support::run({host, "upload", "--user", "anna", file});
    EXPECT_EQ(r.status, 64);
}

TEST(Orderhost, HelpOnEveryLevel) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"info", "--help"}, {"send", "--help"},
          {"clipboard", "--help"}, {"write", "--help"}, {"open", "--help"}, {"upload", "--help"}}) {
        const auto r = orderhost(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("Usage"), std::string::npos) << r.out;
    }
}

}  // namespace
