// The runtime's values and operators, as tables of cases.
#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "error.h"
#include "test_support.h"
#include "services.h"
#include "value.h"

using apprt::Error;
using apprt::Value;

using testing_support::errorOf;

namespace {

TEST(Values, KindsAndTextBytes) {
    const std::string bytes("a\0\xff\x80z", 5);
    const Value t(bytes);
    EXPECT_EQ(t.kind(), apprt::Kind::Text);
    EXPECT_EQ(t.text().size(), 5u);
    EXPECT_EQ(t.text(), bytes);
    EXPECT_EQ(Value().kind(), apprt::Kind::Nil);
    EXPECT_EQ(Value(3).kind(), apprt::Kind::Number);
    EXPECT_EQ(Value(2.5).kind(), apprt::Kind::Number);
    EXPECT_EQ(Value(true).kind(), apprt::Kind::Logical);
    EXPECT_EQ(apprt::makeArray().kind(), apprt::Kind::Array);
    EXPECT_EQ(apprt::makeBlock([](apprt::Args) { return Value(); }).kind(), apprt::Kind::Block);
}

TEST(Values, ArraysAreSharedByReference) {
    Value a = apprt::makeArray({Value(1)});
    Value b = a;
    b.array().append(Value("x"));
    EXPECT_EQ(a.array().size(), 2u);
    EXPECT_EQ(a.at(2), Value("x"));
    EXPECT_EQ(a.at(Value(1)), Value(1));
    EXPECT_EQ(a.at(Value(2.0)), Value("x"));
}

TEST(Values, TextsAreValuesEvenWhenShared) {
    Value a("order");
    Value b = a;
    apprt::appendTo(b, Value(" 42"));
    EXPECT_EQ(a, Value("order"));
    EXPECT_EQ(b, Value("order 42"));
    Value empty(""), other("");
    apprt::appendTo(empty, Value("x"));
    EXPECT_EQ(other, Value(""));
    EXPECT_EQ(other.text().size(), 0u);
}

TEST(Values, PlusConcatenatesAndAdds) {
    struct Case {
        Value a, b, sum;
    } cases[] = {
        {Value("ab"), Value("cd"), Value("abcd")},
        {Value(""), Value(std::string("\0x", 2)), Value(std::string("\0x", 2))},
        {Value(2), Value(3), Value(5)},
        {Value(2), Value(0.5), Value(2.5)},
        {Value(std::numeric_limits<std::int64_t>::max()), Value(1), Value(9223372036854775808.0)},
    };
    for (const auto& c : cases) EXPECT_EQ(c.a + c.b, c.sum);
}

TEST(Values, WrongKindsRaiseNamedErrors) {
    const Value arr = apprt::makeArray({Value(1), Value(2), Value(3)});
    struct Case {
        const char* what;
        std::function<void()> op;
        const char* error;
    } cases[] = {
        {"text + nil", [] { (void)(Value("a") + Value()); }, "+: cannot add nil to text"},
        {"nil + text", [] { (void)(Value() + Value("a")); }, "+: cannot add text to nil"},
        {"number + text", [] { (void)(Value(1) + Value("a")); }, "+: cannot add text to number"},
        {"text > number", [] { (void)(Value("a") > Value(0)); }, ">: cannot compare text with number"},
        {"nil > number", [] { (void)(Value() > Value(0)); }, ">: cannot compare nil with number"},
        {"number <= logical", [] { (void)(Value(1) <= Value(true)); },
         "<=: cannot compare number with logical"},
        {"index past the end", [&] { arr.at(4); }, "[]: index 4 is outside an array of 3"},
        {"index 0", [&] { arr.at(0); }, "[]: index 0 is outside an array of 3"},
        {"index by text", [&] { arr.at(Value("1")); }, "[]: index must be a number, got text"},
        {"fractional index", [&] { arr.at(Value(1.5)); }, "[]: expects a whole number, got 1.5"},
        {"index into nil", [] { Value().at(1); }, "[]: cannot index nil"},
        {"message to nil", [] { Value().send("lines"); }, "nil: cannot send 'lines'"},
        {"member of a number", [] { Value(3).member("partNo"); }, "number: cannot read member 'partNo'"},
        {"call a text", [] { Value("x").call(); }, "text: cannot be called"},
        {"CHR of text", [] { apprt::chr(Value("9")); }, "CHR: expects a whole number, got text"},
        {"CHR of 256", [] { apprt::chr(Value(256)); }, "CHR: code 256 is outside 0..255"},
    };
    for (const auto& c : cases) EXPECT_EQ(errorOf(c.op), c.error) << c.what;
}

TEST(Values, Comparisons) {
    EXPECT_TRUE(Value(1) > Value(0));
    EXPECT_FALSE(Value(0) > Value(0));
    EXPECT_TRUE(Value(0.5) > Value(0));
    EXPECT_TRUE(Value(2) <= Value(2.0));
    EXPECT_TRUE(Value(-1) < Value(0));
    EXPECT_TRUE(Value("abc") < Value("abd"));
    EXPECT_TRUE(Value("\xff") > Value("a"));  // bytes compare unsigned
    const Value nan(std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(nan > Value(0));
    EXPECT_FALSE(nan <= Value(0));
    // Exact across integer and floating point where a double would round.
    EXPECT_TRUE(Value(std::int64_t{9007199254740993}) > Value(9007199254740992.0));
}

TEST(Services, ToText) {
    struct Case {
        Value v;
        const char* text;
    } cases[] = {
        {Value(12), "12"},
        {Value(-7), "-7"},
        {Value(0), "0"},
        {Value(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
        {Value(2.5), "2.5"},
        {Value(3.0), "3"},
        {Value(0.1), "0.1"},
        {Value("as is\t"), "as is\t"},
        {Value(), "NIL"},
        {Value(true), ".T."},
        {Value(false), ".F."},
        {apprt::makeArray({Value(1), Value(2)}), "{array of 2}"},
    };
    for (const auto& c : cases) EXPECT_EQ(apprt::toText(c.v), Value(c.text)) << c.text;
}

TEST(Services, EmptyAndValType) {
    struct Case {
        Value v;
        bool empty;
        const char* type;
    } cases[] = {
        {Value(), true, "U"},
        {Value(""), true, "C"},
        {Value("   "), true, "C"},
        {Value(" \t\r\n"), true, "C"},
        {Value(" x "), false, "C"},
        {Value(0), true, "N"},
        {Value(0.0), true, "N"},
        {Value(1), false, "N"},
        {Value(false), true, "L"},
        {Value(true), false, "L"},
        {apprt::makeArray(), true, "A"},
        {apprt::makeArray({Value()}), false, "A"},
        {apprt::makeBlock([](apprt::Args) { return Value(); }), false, "B"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(apprt::isEmpty(c.v), c.empty) << apprt::toText(c.v).text();
        EXPECT_STREQ(apprt::valType(c.v), c.type);
    }
}

TEST(Services, Chr) {
    EXPECT_EQ(apprt::chr(Value(9)), Value("\t"));
    EXPECT_EQ(apprt::chr(Value(0)), Value(std::string(1, '\0')));
    EXPECT_EQ(apprt::chr(Value(255)).text(), "\xff");
}

}  // namespace
