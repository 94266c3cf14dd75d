// The runtime services that the plug-ins call directly from C++.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "export.h"
#include "value.h"

namespace apprt {

// CHR: the one-character text of a code 0..255.
APPRT_API Value chr(const Value& code);
// TOTEXT: a whole number as its decimal digits (a minus when negative), a
// floating-point number in its shortest exact form ("2.5", "3" for 3.0), a
// text unchanged, nil as "NIL", logicals as ".T." and ".F.", an array as
// "{...}" with its length, an object as its class name, a block as "{||}".
APPRT_API Value toText(const Value& v);
// Appends TOTEXT of the value.
APPRT_API void appendTextOther(std::string& out, const Value& v);
inline void appendText(std::string& out, const Value& v) {
    if (v.isInteger()) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, v.integer()).ptr;
        out.append(digits, end);
    } else {
        appendTextOther(out, v);
    }
}
// EMPTY: nil, "", a text of blanks only (space, tab, CR, LF), 0, false and an
// empty array are empty.
APPRT_API bool isEmpty(const Value& v);
// VALTYPE's kind letter: "U" nil, "C" text, "N" number, "L" logical,
// "A" array, "O" object, "B" block.
APPRT_API const char* valType(const Value& v);

// Runtime settings: numbers a host or a test may change (time limits, say).
APPRT_API std::int64_t setting(std::string_view name, std::int64_t fallback);
APPRT_API void setSetting(std::string_view name, std::int64_t value);

}  // namespace apprt
