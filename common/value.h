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

// Texts behave as values: no change to one copy shows in another. Long texts
// are shared until one copy changes (appendTo), so that passing a file's
// content on costs no copy. Arrays, objects and code blocks are shared by reference:
// copying a Value that holds one copies the reference, and a change made
// through one copy is seen through all. The runtime frees them when no
// reference is left.
class APPRT_API Value {
public:
    Value() noexcept = default;
    Value(std::nullptr_t) noexcept {}
    Value(std::string text);
    Value(std::string_view text) : Value(std::string(text)) {}
    Value(const char* text) : Value(std::string(text)) {}
    Value(int n) noexcept : v_(std::int64_t{n}) {}
    Value(std::int64_t n) noexcept : v_(n) {}
    Value(double x) noexcept : v_(x) {}
    Value(bool b) noexcept : v_(b) {}
    Value(std::shared_ptr<Array> a) noexcept;
    Value(std::shared_ptr<Object> o) noexcept;
    Value(std::shared_ptr<Block> b) noexcept;

    Kind kind() const noexcept;
    bool isNil() const noexcept { return v_.index() == 0; }
    bool isText() const noexcept { return v_.index() == 1 || v_.index() == 8; }
    bool isInteger() const noexcept { return v_.index() == 2; }
    bool isFloat() const noexcept { return v_.index() == 3; }
    bool isNumber() const noexcept { return isInteger() || isFloat(); }
    bool isLogical() const noexcept { return v_.index() == 4; }
    bool isArray() const noexcept { return v_.index() == 5; }
    bool isObject() const noexcept { return v_.index() == 6; }
    bool isBlock() const noexcept { return v_.index() == 7; }

    // Typed access; each raises the runtime's error on another kind, naming
    // `where` as the operation that wanted it.
    const std::string& text(std::string_view where = "value") const {
        if (const auto* t = std::get_if<1>(&v_)) return *t;
        return textOfLong(where);
    }
    std::int64_t integer(std::string_view where = "value") const {  // whole numbers only
        if (const auto* n = std::get_if<2>(&v_)) return *n;
        return integerOfOther(where);
    }
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

    // A hint with no effect on what anything answers: starts loading the
    // object this value refers to (its variables included) into the cache,
    // for code that walks many objects and will reach this one soon.
    void prefetch() const noexcept {
        // Reads nothing of the object itself (that would wait for the very
        // load this starts): its head and first variables, blindly; a
        // prefetch past the allocation's end is harmless.
        if (const auto* o = std::get_if<6>(&v_)) {
            const char* at = reinterpret_cast<const char*>(o->get());
            for (int line = 0; line < 6; ++line) __builtin_prefetch(at + line * 64);
        }
    }

    // Strict sameness: same kind and equal contents, or the same shared
    // reference. Never raises; for tests and containers.
    friend APPRT_API bool operator==(const Value& a, const Value& b) noexcept;
    friend APPRT_API void appendTo(Value& a, const Value& b);
    friend void appendTo(std::string& text, const Value& b);
// The same for a text the caller holds as bytes.
APPRT_API void appendOther(std::string& text, const Value& b);
inline void appendTo(std::string& text, const Value& b) {
    if (const auto* t = std::get_if<1>(&b.v_)) text += *t;
    else appendOther(text, b);
}

private:
    friend class Object;
    // The out-of-line rest of the inline accessors: other variants and errors.
    const std::string& textOfLong(std::string_view where) const;
    std::int64_t integerOfOther(std::string_view where) const;
    const Value& memberOfOther(Symbol name) const;
    const Value& atOfOther(std::int64_t index) const;
    friend APPRT_API void appendOther(std::string& text, const Value& b);
    // A text is short (held in the value) or long (shared, copied when one
    // holder changes it), as in Lua; both are the one kind Text.
    static constexpr std::size_t kShortText = 64;
    std::variant<std::monostate, std::string, std::int64_t, double, bool, std::shared_ptr<Array>,
                 std::shared_ptr<Object>, std::shared_ptr<Block>, std::shared_ptr<std::string>>
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
APPRT_API void appendOther(std::string& text, const Value& b);
inline void appendTo(std::string& text, const Value& b) {
    if (const auto* t = std::get_if<1>(&b.v_)) text += *t;
    else appendOther(text, b);
}

// An ordered sequence of values, shared by reference, first index 1.
class APPRT_API Array {
public:
    Array() = default;
    explicit Array(std::vector<Value> items) : items_(std::move(items)) {}

    std::size_t size() const noexcept { return items_.size(); }
    // 1-based; raises past the end.
    const Value& at(std::int64_t index) const {
        if (index < 1 || static_cast<std::uint64_t>(index) > items_.size()) outOfRange(index);
        return items_[static_cast<std::size_t>(index - 1)];
    }
    void set(std::int64_t index, Value v);
    void append(Value v) { items_.push_back(std::move(v)); }
    std::vector<Value>& items() noexcept { return items_; }
    const std::vector<Value>& items() const noexcept { return items_; }

private:
    [[noreturn]] void outOfRange(std::int64_t index) const;
    std::vector<Value> items_;
};

inline const Value& Value::at(std::int64_t index) const {
    if (const auto* a = std::get_if<5>(&v_)) return (*a)->at(index);
    return atOfOther(index);
}

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

// Value::member's inline part needs the classes.
#include "object.h"
