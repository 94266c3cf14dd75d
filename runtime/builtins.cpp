// The runtime's value services: CHR, TOTEXT, EMPTY, VALTYPE, arrays, settings.
#include "builtins.h"
#include "dynamic_call.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "error.h"
#include "object.h"
#include "services.h"

namespace apprt {

Value chr(const Value& code) {
    const std::int64_t c = code.integer("CHR");
    if (c < 0 || c > 255) throw Error("CHR", "code " + std::to_string(c) + " is outside 0..255");
    return Value(std::string(1, static_cast<char>(static_cast<unsigned char>(c))));
}

void appendTextOther(std::string& out, const Value& v) {
    switch (v.kind()) {
    case Kind::Text: out += v.text(); return;
    case Kind::Nil: out += "NIL"; return;
    case Kind::Logical: out += v.logical() ? ".T." : ".F."; return;
    case Kind::Number: {
        char buf[32];
        auto r = v.isInteger() ? std::to_chars(buf, buf + sizeof buf, v.integer())
                               : std::to_chars(buf, buf + sizeof buf, v.number());
        out.append(buf, r.ptr);
        return;
    }
    case Kind::Array: out += "{array of " + std::to_string(v.array().size()) + "}"; return;
    case Kind::Object: out += v.object().classOf().name(); return;
    case Kind::Block: out += "{||}"; return;
    }
}

Value toText(const Value& v) {
    if (v.isText()) return v;
    std::string out;
    appendText(out, v);
    return Value(std::move(out));
}

bool isEmpty(const Value& v) {
    switch (v.kind()) {
    case Kind::Nil: return true;
    case Kind::Text:
        return v.text().find_first_not_of(" \t\r\n") == std::string::npos;
    case Kind::Number: return v.number() == 0.0;
    case Kind::Logical: return !v.logical();
    case Kind::Array: return v.array().size() == 0;
    case Kind::Object:
    case Kind::Block: return false;
    }
    return false;
}

const char* valType(const Value& v) {
    switch (v.kind()) {
    case Kind::Nil: return "U";
    case Kind::Text: return "C";
    case Kind::Number: return "N";
    case Kind::Logical: return "L";
    case Kind::Array: return "A";
    case Kind::Object: return "O";
    case Kind::Block: return "B";
    }
    return "U";
}

namespace {

struct Settings {
    std::mutex mutex;
    std::unordered_map<std::string, std::int64_t> values;
};
Settings& settings() {
    static Settings s;
    return s;
}

Value fnChr(Args a) { return chr(a[0]); }
Value fnToText(Args a) { return toText(a[0]); }
Value fnEmpty(Args a) { return Value(isEmpty(a[0])); }
Value fnValType(Args a) { return Value(valType(a[0])); }
Value fnACreate(Args) { return makeArray(); }
Value fnAAdd(Args a) {
    a[0].array("AADD").append(a[1]);
    return a[1];
}
Value fnLen(Args a) {
    if (a[0].isText()) return Value(static_cast<std::int64_t>(a[0].text().size()));
    return Value(static_cast<std::int64_t>(a[0].array("LEN").size()));
}
Value fnSleep(Args a) {
    const double hundredths = a[0].number("SLEEP");
    if (!std::isfinite(hundredths)) throw Error("SLEEP", "expects a finite number");
    if (hundredths > 0)
        std::this_thread::sleep_for(std::chrono::duration<double, std::centi>(hundredths));
    return Value();
}
Value fnCurDir(Args) {
    std::error_code ec;
    auto dir = std::filesystem::current_path(ec);
    return Value(ec ? std::string() : dir.string());
}

const FunctionDef kBuiltins[] = {
    {"CHR", fnChr, 1},         {"TOTEXT", fnToText, 1},   {"EMPTY", fnEmpty, 1},
    {"VALTYPE", fnValType, 1}, {"ACREATE", fnACreate, 0}, {"AADD", fnAAdd, 2},
    {"LEN", fnLen, 1},         {"SLEEP", fnSleep, 1},     {"CURDIR", fnCurDir, 0},
    {"FERASE", fnFErase, 1},   {"FCREATE", fnFCreate, 2}, {"FWRITE", fnFWrite, 2},
    {"FCLOSE", fnFClose, 1},   {"SYSCLIPBOARD", fnSysClipboard, 0},
    {"DESKTOP", fnDesktop, 0},
    // library, convention, function, then the function's own arguments
    {"DLLCALL", fnDllCall, 3 + static_cast<int>(detail::kMaxDynamicArgs)},
};

}  // namespace

std::int64_t setting(std::string_view name, std::int64_t fallback) {
    auto& s = settings();
    std::lock_guard lock(s.mutex);
    auto it = s.values.find(foldName(name));
    return it == s.values.end() ? fallback : it->second;
}

void setSetting(std::string_view name, std::int64_t value) {
    auto& s = settings();
    std::lock_guard lock(s.mutex);
    s.values[foldName(name)] = value;
}

std::span<const FunctionDef> builtinFunctions() { return kBuiltins; }

}  // namespace apprt
