// Value: the dynamically typed value that every interface of the system passes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "export.h"
#include "symbol.h"

namespace apprt {

class Array;
class Block;
class Object;
class Class;
class Value;

// The kinds a program can tell apart. A number is one kind with two variants,
// integer and floating point; a text is a sequence of 8-bit bytes (NUL and
// bytes >= 0x80 included) whose length is its byte count.
enum class Kind { Nil, Text, Number, Logical, Array, Object, Block };

APPRT_API const char* kindName(Kind kind) noexcept;

// Arguments of a call: positional, and a missing one reads as nil.
class APPRT_API Args {
public:
    Args() = default;
    Args(std::span<const Value> values) : values_(values) {}
    // The list lives until the end of the full expression of the call.
    Args(std::initializer_list<Value> values);

    const Value& operator[](std::size_t i) const;
    std::size_t size() const noexcept { return values_.size(); }
    std::span<const Value> span() const noexcept { return values_; }

private:
    std::span<const Value> values_;
};

// Texts are held by value; arrays, objects and code blocks are shared by
// reference: copying a Value that holds one copies the reference, and a change
// made through one copy is seen through all. The runtime frees them when no
// reference is left.
class APPRT_API Value {
public:
    Value() noexcept = default;
    Value(std::nullptr_t) noexcept {}
    Value(std::string text) : v_(std::move(text)) {}
    Value(std::string_view text) : v_(std::string(text)) {}
    Value(const char* text) : v_(std::string(text)) {}
    Value(int n) noexcept : v_(std::int64_t{n}) {}
    Value(std::int64_t n) noexcept : v_(n) {}
    Value(double x) noexcept : v_(x) {}
    Value(bool b) noexcept : v_(b) {}
    Value(std::shared_ptr<Array> a) noexcept;
    Value(std::shared_ptr<Object> o) noexcept;
    Value(std::shared_ptr<Block> b) noexcept;

    Kind kind() const noexcept;
    bool isNil() const noexcept { return v_.index() == 0; }
    bool isText() const noexcept { return v_.index() == 1; }
    bool isInteger() const noexcept { return v_.index() == 2; }
    bool isFloat() const noexcept { return v_.index() == 3; }
    bool isNumber() const noexcept { return isInteger() || isFloat(); }
    bool isLogical() const noexcept { return v_.index() == 4; }
    bool isArray() const noexcept { return v_.index() == 5; }
    bool isObject() const noexcept { return v_.index() == 6; }
    bool isBlock() const noexcept { return v_.index() == 7; }

    // Typed access; each raises the runtime's error on another kind, naming
    // `where` as the operation that wanted it.
    const std::string& text(std::string_view where = "value") const;
    std::int64_t integer(std::string_view where = "value") const;  // whole numbers only
    double number(std::string_view where = "value") const;
    bool logical(std::string_view where = "value") const;
    Array& array(std::string_view where = "value") const;
    Object& object(std::string_view where = "value") const;
    const std::shared_ptr<Object>& objectRef(std::string_view where = "value") const;
    Class& classObject(std::string_view where = "value") const;

    // Members and messages, by interned symbol or by name. A name that is not
    // a member or method anywhere raises the same error as a missing member.
    // The reference that member() answers lives as long as the object holds
    // the member unchanged.
    const Value& member(Symbol name) const;
    const Value& member(std::string_view name) const;
    void assign(Symbol name, Value v) const;
    void assign(std::string_view name, Value v) const;
    Value send(Symbol selector, Args args = {}) const;
    Value send(std::string_view selector, Args args = {}) const;
    // Calls a code block.
    Value call(Args args = {}) const;

    // Index into an array; the first element has index 1.
    const Value& at(const Value& index) const;
    const Value& at(std::int64_t index) const;

    // Strict sameness: same kind and equal contents, or the same shared
    // reference. Never raises; for tests and containers.
    friend APPRT_API bool operator==(const Value& a, const Value& b) noexcept;
    friend APPRT_API void appendTo(Value& a, const Value& b);
    friend APPRT_API void appendTo(std::string& text, const Value& b);
// The same for a text the caller holds as bytes.
APPRT_API void appendTo(std::string& text, const Value& b);

private:
    friend class Object;
    std::variant<std::monostate, std::string, std::int64_t, double, bool,
                 std::shared_ptr<Array>, std::shared_ptr<Object>, std::shared_ptr<Block>>
        v_;
};

// The runtime's operators. `+` concatenates texts and adds numbers; the
// comparisons take two numbers or two texts (byte order). Other kinds raise.
APPRT_API Value operator+(const Value& a, const Value& b);
APPRT_API bool operator<(const Value& a, const Value& b);
APPRT_API bool operator<=(const Value& a, const Value& b);
APPRT_API bool operator>(const Value& a, const Value& b);
APPRT_API bool operator>=(const Value& a, const Value& b);
// `a = a + b` in place: a text grows without being copied. Same errors as +.
APPRT_API void appendTo(Value& a, const Value& b);
// The same for a text the caller holds as bytes.
APPRT_API void appendTo(std::string& text, const Value& b);

// An ordered sequence of values, shared by reference, first index 1.
class APPRT_API Array {
public:
    Array() = default;
    explicit Array(std::vector<Value> items) : items_(std::move(items)) {}

    std::size_t size() const noexcept { return items_.size(); }
    // 1-based; raises past the end.
    const Value& at(std::int64_t index) const;
    void set(std::int64_t index, Value v);
    void append(Value v) { items_.push_back(std::move(v)); }
    std::vector<Value>& items() noexcept { return items_; }
    const std::vector<Value>& items() const noexcept { return items_; }

private:
    std::vector<Value> items_;
};

// A callable value: a code block of the host or a test.
class APPRT_API Block {
public:
    using Fn = std::function<Value(Args)>;
    explicit Block(Fn fn) : fn_(std::move(fn)) {}
    Value operator()(Args args) const { return fn_(args); }

private:
    Fn fn_;
};

APPRT_API Value makeArray(std::vector<Value> items = {});
APPRT_API Value makeBlock(Block::Fn fn);

// The one shared nil, for answers by reference.
APPRT_API const Value& nilValue() noexcept;

}  // namespace apprt
