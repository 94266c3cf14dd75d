// Values and the runtime's value operators.
#include "value.h"

#include <cmath>
#include <limits>
#include <string>

#include "error.h"
#include "object.h"
#include "services.h"

namespace apprt {
namespace {

std::string kindOf(const Value& v) { return kindName(v.kind()); }

[[noreturn]] void wrongKind(std::string_view where, const char* wanted, const Value& got) {
    throw Error(std::string(where), std::string("expects ") + wanted + ", got " + kindOf(got));
}

// -1, 0 or 1 for two numbers, exact also where an integer meets a double.
int compareNumbers(const Value& a, const Value& b) {
    if (a.isInteger() && b.isInteger()) {
        auto x = a.integer(), y = b.integer();
        return (x > y) - (x < y);
    }
    if (a.isFloat() && b.isFloat()) {
        const double x = a.number(), y = b.number();
        if (std::isnan(x) || std::isnan(y)) return 2;  // unordered: every comparison is false
        return (x > y) - (x < y);
    }
    // An integer against a double, without rounding the integer to a double.
    const bool intFirst = a.isInteger();
    const std::int64_t i = intFirst ? a.integer() : b.integer();
    const double d = intFirst ? b.number() : a.number();
    int c;  // i compared with d
    if (std::isnan(d)) return 2;
    if (d >= 9223372036854775808.0) c = -1;
    else if (d < -9223372036854775808.0) c = 1;
    else {
        const double whole = std::trunc(d);
        const auto w = static_cast<std::int64_t>(whole);
        c = i != w ? (i > w) - (i < w) : (d > whole ? -1 : d < whole ? 1 : 0);
    }
    return intFirst ? c : -c;
}

int compare(const char* op, const Value& a, const Value& b) {
    if (a.isNumber() && b.isNumber()) return compareNumbers(a, b);
    if (a.isText() && b.isText()) {
        const int c = a.text().compare(b.text());
        return (c > 0) - (c < 0);
    }
    throw Error(op, "cannot compare " + kindOf(a) + " with " + kindOf(b));
}

}  // namespace

const char* kindName(Kind kind) noexcept {
    switch (kind) {
    case Kind::Nil: return "nil";
    case Kind::Text: return "text";
    case Kind::Number: return "number";
    case Kind::Logical: return "logical";
    case Kind::Array: return "array";
    case Kind::Object: return "object";
    case Kind::Block: return "block";
    }
    return "?";
}

Args::Args(std::initializer_list<Value> values) : values_(values.begin(), values.size()) {}

const Value& Args::operator[](std::size_t i) const {
    return i < values_.size() ? values_[i] : nilValue();
}

Value::Value(std::string text) {
    if (text.size() <= kShortText)
        v_.emplace<1>(std::move(text));
    else
        v_.emplace<8>(std::make_shared<std::string>(std::move(text)));
}

Value::Value(std::shared_ptr<Array> a) noexcept {
    if (a) v_ = std::move(a);
}
Value::Value(std::shared_ptr<Object> o) noexcept {
    if (o) v_ = std::move(o);
}
Value::Value(std::shared_ptr<Block> b) noexcept {
    if (b) v_ = std::move(b);
}

Kind Value::kind() const noexcept {
    switch (v_.index()) {
    case 0: return Kind::Nil;
    case 1: return Kind::Text;
    case 2:
    case 3: return Kind::Number;
    case 4: return Kind::Logical;
    case 5: return Kind::Array;
    case 6: return Kind::Object;
    case 7: return Kind::Block;
    default: return Kind::Text;
    }
}

const std::string& Value::textOfLong(std::string_view where) const {
    if (!isText()) wrongKind(where, "a text", *this);
    return *std::get<8>(v_);
}

std::int64_t Value::integerOfOther(std::string_view where) const {
    if (isFloat()) {
        const double x = std::get<3>(v_);
        // 2^63 is the first double past the int64 range.
        if (std::trunc(x) == x && x >= -9223372036854775808.0 && x < 9223372036854775808.0)
            return static_cast<std::int64_t>(x);
        throw Error(std::string(where), "expects a whole number, got " + toText(*this).text());
    }
    wrongKind(where, "a whole number", *this);
}

double Value::number(std::string_view where) const {
    if (isInteger()) return static_cast<double>(std::get<2>(v_));
    if (isFloat()) return std::get<3>(v_);
    wrongKind(where, "a number", *this);
}

bool Value::logical(std::string_view where) const {
    if (!isLogical()) wrongKind(where, "a logical", *this);
    return std::get<4>(v_);
}

Array& Value::array(std::string_view where) const {
    if (!isArray()) wrongKind(where, "an array", *this);
    return *std::get<5>(v_);
}

Object& Value::object(std::string_view where) const { return *objectRef(where); }

const std::shared_ptr<Object>& Value::objectRef(std::string_view where) const {
    if (!isObject()) wrongKind(where, "an object", *this);
    return std::get<6>(v_);
}

Class& Value::classObject(std::string_view where) const {
    Object& o = object(where);
    if (!o.isClass()) throw Error(std::string(where), "expects a class object, got an instance");
    return static_cast<Class&>(o);
}

Value Value::call(Args args) const {
    if (!isBlock()) throw Error(kindOf(*this), "cannot be called");
    return (*std::get<7>(v_))(args);
}

const Value& Value::at(const Value& index) const {
    if (!isArray()) throw Error("[]", "cannot index " + kindOf(*this));
    if (!index.isNumber()) throw Error("[]", "index must be a number, got " + kindOf(index));
    return std::get<5>(v_)->at(index.integer("[]"));
}

const Value& Value::atOfOther(std::int64_t) const {
    throw Error("[]", "cannot index " + kindOf(*this));
}

bool operator==(const Value& a, const Value& b) noexcept {
    if (a.isNumber() && b.isNumber()) return compareNumbers(a, b) == 0;
    if (a.isText() && b.isText()) return a.text() == b.text();
    return a.v_ == b.v_;
}

Value operator+(const Value& a, const Value& b) {
    Value r = a;
    appendTo(r, b);
    return r;
}

void appendTo(Value& a, const Value& b) {
    if (a.isText() && b.isText()) {
        const std::string& more = b.text();
        if (a.v_.index() == 1) {
            std::string& mine = std::get<1>(a.v_);
            if (mine.size() + more.size() <= Value::kShortText) {
                mine += more;
            } else {
                auto grown = std::make_shared<std::string>(std::move(mine));
                grown->append(more);
                a.v_.emplace<8>(std::move(grown));
            }
            return;
        }
        auto& mine = std::get<8>(a.v_);
        if (mine.use_count() == 1) {
            mine->append(more);  // ours alone: grows in place
        } else {
            auto grown = std::make_shared<std::string>();
            grown->reserve(mine->size() + more.size());
            grown->append(*mine).append(more);
            mine = std::move(grown);
        }
        return;
    }
    if (a.isInteger() && b.isInteger()) {
        std::int64_t sum;
        if (!__builtin_add_overflow(a.integer(), b.integer(), &sum)) {
            a = Value(sum);
            return;
        }
    }
    if (a.isNumber() && b.isNumber()) {
        a = Value(a.number() + b.number());
        return;
    }
    throw Error("+", "cannot add " + kindOf(b) + " to " + kindOf(a));
}

void appendOther(std::string& text, const Value& b) {
    if (!b.isText()) throw Error("+", "cannot add " + kindOf(b) + " to text");
    text += b.text();
}

bool operator<(const Value& a, const Value& b) { return compare("<", a, b) == -1; }
bool operator<=(const Value& a, const Value& b) {
    const int c = compare("<=", a, b);
    return c == -1 || c == 0;
}
bool operator>(const Value& a, const Value& b) { return compare(">", a, b) == 1; }
bool operator>=(const Value& a, const Value& b) {
    const int c = compare(">=", a, b);
    return c == 1 || c == 0;
}

void Array::outOfRange(std::int64_t index) const {
    throw Error("[]", "index " + std::to_string(index) + " is outside an array of " +
                          std::to_string(items_.size()));
}

void Array::set(std::int64_t index, Value v) {
    at(index);  // the same bounds check and error
    items_[static_cast<std::size_t>(index - 1)] = std::move(v);
}

Value makeArray(std::vector<Value> items) {
    return Value(std::make_shared<Array>(std::move(items)));
}

Value makeBlock(Block::Fn fn) { return Value(std::make_shared<Block>(std::move(fn))); }

const Value& nilValue() noexcept {
    static const Value nil;
    return nil;
}

}  // namespace apprt
