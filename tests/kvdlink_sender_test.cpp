// The KVD sender: the order file byte for byte, its messages, answers and failures.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include <csignal>
#include <functional>
#include <limits>

#include "error.h"
#include "functions.h"
#include "plugin_env.h"
#include "services.h"
#include "test_support.h"

using apprt::Value;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

const std::string kSuccess = "Die Bestelldaten befinden sich in der Datei ";
const std::string kFailure = "Fehler beim Erstellen der Bestelldatei: ";
// The host's texts: UTF-8 here, Windows-1252 on Windows.
#if defined(_WIN32)
const std::string kContains = " enth\xE4lt einen Tabulator oder Zeilenumbruch)";
#else
const std::string kContains = " enthält einen Tabulator oder Zeilenumbruch)";
#endif

struct Pos {
    Value quantity;
    Value partNo;
};

Value position(const Pos& p) {
    const Value pos = apprt::call("ORDERPOSITION_STRUCTURE").send("new");
    if (!p.quantity.isNil()) pos.assign("quantity", p.quantity);
    if (!p.partNo.isNil()) pos.assign("partNo", p.partNo);
    return pos;
}

Value order(const std::vector<Pos>& positions, Value lines = Value(-1)) {
    const Value o = apprt::call("ORDER_STRUCTURE").send("new");
    std::vector<Value> list;
    for (const auto& p : positions) list.push_back(position(p));
    o.assign("orderPos", apprt::makeArray(std::move(list)));
    o.assign("lines", lines == Value(-1) ? Value(static_cast<std::int64_t>(positions.size())) : lines);
    return o;
}

Value param(const std::string& dir) {
    const Value p = apprt::call("PARAM_STRUCTURE").send("new");
    p.assign("veloxport", Value(dir));
    return p;
}

class Sender : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        testing_support::loadKvdlink();
    }
    Value send(const Value& o, const Value& p) { return sender.send("send", {o, p}); }
    std::string message() { return sender.send("getResultMessage").text(); }
    std::string csv() const { return (dir / "KVD.csv").string(); }

    TempDir dir;
    testing_support::RecordingClipboard clipboard;
    Value sender = apprt::call("KVD").send("new");
};

TEST_F(Sender, WritesThePositionsByteForByte) {
    const Value result = send(order({{Value(3), Value("A1")}, {Value(10), Value("B-7")}}),
                              param(dir.path().string()));
    EXPECT_EQ(result, Value(true));
    EXPECT_EQ(readFile(csv()), "3\tA1\r\n10\tB-7\r\n");
    EXPECT_EQ(message(), kSuccess + csv());
    EXPECT_EQ(clipboard.log(), (std::vector<std::string>{"create", "open", "clear",
                                                         "setBuffer:" + csv(), "close", "destroy"}));
}

TEST_F(Sender, QuantitiesAndPartNumbersAsTheyStand) {
    const std::string eightBit("\xe4\xf6\xfc\x00\xff", 5);
    struct Case {
        std::vector<Pos> positions;
        Value lines;
        std::string file;
    } cases[] = {
        {{{Value(-4), Value("N")}}, Value(-1), "-4\tN\r\n"},
        {{{Value("5 St"), Value("T")}}, Value(-1), "5 St\tT\r\n"},
        {{{Value(2.5), Value("F")}}, Value(-1), "2.5\tF\r\n"},
        {{{Value(), Value("only part")}}, Value(-1), "0\tonly part\r\n"},  // init's quantity 0
        {{{Value(1), Value(eightBit)}}, Value(-1), "1\t" + eightBit + "\r\n"},
        {{{Value(1), Value("")}}, Value(-1), "1\t\r\n"},
        {{{Value(1), Value("a")}, {Value(2), Value("b")}, {Value(3), Value("c")}}, Value(1),
         "1\ta\r\n"},
        // Fractional counts: the loop runs while i <= lines.
        {{{Value(1), Value("a")}, {Value(2), Value("b")}, {Value(3), Value("c")}}, Value(2.5),
         "1\ta\r\n2\tb\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(send(order(c.positions, c.lines), param(dir.path().string())), Value(true));
        EXPECT_EQ(readFile(csv()), c.file);
    }
}

TEST_F(Sender, NoPositionsLeavesEverythingAlone) {
    testing_support::writeFile(csv(), "earlier order");
    for (const Value& lines : {Value(0), Value(-3), Value(0.0)}) {
        EXPECT_TRUE(send(order({{Value(1), Value("x")}}, lines), param(dir.path().string())).isNil());
        EXPECT_EQ(message(), "Keine Bestellpositionen gefunden");
    }
    EXPECT_EQ(readFile(csv()), "earlier order");
    EXPECT_TRUE(clipboard.log().empty());
}

TEST_F(Sender, MissingExportDirectoryFails) {
    const std::string missing = (dir / "nope").string();
    EXPECT_EQ(send(order({{Value(1), Value("x")}}), param(missing)), Value(false));
    EXPECT_EQ(message(), kFailure + (std::filesystem::path(missing) / "KVD.csv").string());
    EXPECT_TRUE(clipboard.log().empty());
}

TEST_F(Sender, OneInstanceSendsSeveralOrders) {
    TempDir second;
    const Value o = order({{Value(1), Value("x")}});
    EXPECT_EQ(message(), "");
    EXPECT_EQ(apprt::call("KVD").send("new", {o}).send("getResultMessage"), Value(""));
    send(o, param(dir.path().string()));
    send(order({{Value(2), Value("y")}}), param(second.path().string()));
    EXPECT_EQ(message(), kSuccess + (second / "KVD.csv").string());
    EXPECT_EQ(readFile(second / "KVD.csv"), "2\ty\r\n");
    EXPECT_EQ(clipboard.buffers().back(), (second / "KVD.csv").string());
    // After a send with nothing to write, the message is the new one.
    send(order({}), param(dir.path().string()));
    EXPECT_EQ(message(), "Keine Bestellpositionen gefunden");
}

TEST_F(Sender, PiecesOfEveryLengthArriveWhole) {
    // Short copies take different paths by length; long texts are shared;
    // quantities from the largest integers to texts of any length. Enough
    // positions that the text grows several times on the way.
    std::vector<Pos> positions;
    std::string expected;
    for (std::size_t len = 0; len < 3000; ++len) {
        std::string part(len % 90, '\0');
        for (std::size_t k = 0; k < part.size(); ++k) part[k] = static_cast<char>('A' + (len + k) % 26);
        const Value quantity = len % 3 == 0   ? Value(std::string(len % 23, '7'))
                               : len % 3 == 1 ? Value(std::numeric_limits<std::int64_t>::min() + 1 +
                                                      static_cast<std::int64_t>(len))
                                              : Value(static_cast<std::int64_t>(len));
        positions.push_back({quantity, Value(part)});
        expected += apprt::toText(quantity).text() + "\t" + part + "\r\n";
    }
    ASSERT_EQ(send(order(positions), param(dir.path().string())), Value(true)) << message();
    EXPECT_EQ(readFile(csv()), expected);
}

TEST_F(Sender, TabsAndLineBreaksInsideAColumnWriteNothing) {
    struct Case {
        Pos bad;
    } cases[] = {{{Value(1), Value("A\tB")}}, {{Value(1), Value("A\r\n")}}, {{Value("1\n2"), Value("A")}},
                 {{Value("\t"), Value("A")}}};
    for (const auto& c : cases) {
        EXPECT_EQ(send(order({{Value(1), Value("ok")}, c.bad, {Value(1), Value("B\tC")}}),
                       param(dir.path().string())),
                  Value(false));
        EXPECT_EQ(message(), kFailure + csv() + " (Position 2" + kContains);
    }
    EXPECT_TRUE(testing_support::listDir(dir.path()).empty());
    EXPECT_TRUE(clipboard.log().empty());
}

TEST_F(Sender, WrongKindsRaiseAndWriteNothing) {
    const std::string d = dir.path().string();
    auto withOrder = [&](const std::function<void(const Value&)>& change) {
        const Value o = order({{Value(1), Value("a")}, {Value(2), Value("b")}});
        change(o);
        return o;
    };
    struct Case {
        const char* what;
        std::function<Value()> run;
        const char* error;
    } cases[] = {
        {"param nil", [&] { return send(withOrder([](const Value&) {}), Value()); },
         "nil: cannot read member 'veloxport'"},
        {"veloxport nil", [&] {
             const Value p = param(d);
             p.assign("veloxport", Value());
             const Value r = send(withOrder([](const Value&) {}), p);
             p.assign("veloxport", Value(d));
             return r;
         },
         "+: cannot add text to nil"},
        {"order nil", [&] { return send(Value(), param(d)); }, "nil: cannot read member 'lines'"},
        {"lines text", [&] { return send(withOrder([](const Value& o) { o.assign("lines", Value("2")); }), param(d)); },
         ">: cannot compare text with number"},
        {"lines past the end", [&] { return send(withOrder([](const Value& o) { o.assign("lines", Value(3)); }), param(d)); },
         "[]: index 3 is outside an array of 2"},
        {"orderPos nil", [&] { return send(withOrder([](const Value& o) { o.assign("orderPos", Value()); }), param(d)); },
         "[]: cannot index nil"},
        {"position a number", [&] {
             return send(withOrder([](const Value& o) { o.member("orderPos").array().set(2, Value(7)); }), param(d));
         },
         "number: cannot read member 'quantity'"},
        {"position of another class", [&] {
             return send(withOrder([](const Value& o) {
                             o.member("orderPos").array().set(1, apprt::call("SUPPLIER_STRUCTURE").send("new"));
                         }),
                         param(d));
         },
         "supplier_Structure: no member 'quantity'"},
        {"partNo a number", [&] {
             return send(withOrder([](const Value& o) { o.member("orderPos").at(2).assign("partNo", Value(5)); }), param(d));
         },
         "+: cannot add number to text"},
    };
    for (const auto& c : cases) {
        try {
            c.run();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const apprt::Error& e) {
            EXPECT_STREQ(e.what(), c.error) << c.what;
        }
    }
    EXPECT_TRUE(testing_support::listDir(dir.path()).empty());
    EXPECT_TRUE(clipboard.log().empty());
}

TEST_F(Sender, AShortWriteOrAFailedCloseFailsAndLeavesNoFile) {
    const auto realWrite = apprt::currentFunction("FWRITE");
    const auto realClose = apprt::currentFunction("FCLOSE");
    struct Case {
        const char* what;
        const char* function;
        apprt::FunctionBody body;
    } cases[] = {
        {"short write", "FWRITE",
         [&](apprt::Args a) {
             const std::string& text = a[1].text();
             return realWrite({a[0], Value(text.substr(0, text.size() / 2))});
         }},
        {"failed close", "FCLOSE",
         [&](apprt::Args a) {
             realClose({a[0]});
             return Value(false);
         }},
    };
    for (auto& c : cases) {
        apprt::FunctionOverride fault(c.function, 2, c.body);
        EXPECT_EQ(send(order({{Value(12), Value("PART-1")}, {Value(1), Value("PART-2")}}),
                       param(dir.path().string())),
                  Value(false))
            << c.what;
        EXPECT_EQ(message(), kFailure + csv()) << c.what;
        EXPECT_TRUE(testing_support::listDir(dir.path()).empty()) << c.what;
        EXPECT_TRUE(clipboard.log().empty()) << c.what;
    }
}

#if !defined(_WIN32)
// A real short write: the file size limit stops the write part way.
TEST_F(Sender, AFileSizeLimitFailsTheSend) {
    EXPECT_EXIT(testing_support::exitWith([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{100, 100};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::vector<Pos> many(50, Pos{Value(123), Value("PART-NUMBER")});
            const Value r = send(order(many), param(dir.path().string()));
            return (r == Value(false) && message() == kFailure + csv() &&
                              testing_support::listDir(dir.path()).empty()
                          ? 0
                          : 1);
        }),
        ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
