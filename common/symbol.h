// Interned, case-folded names of members, methods and functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "export.h"

namespace apprt {

// A name folded to lower case once and stored in the process-wide symbol table.
// Comparing two symbols compares two integers; lookups inside a class use the
// id as an index. Plug-in code interns its names once (a static Symbol).
class APPRT_API Symbol {
public:
    // Adds the name if it is new. Only for names a program declares: names that
    // arrive as data go through find(), so that input cannot grow the table.
    static Symbol intern(std::string_view name);
    static std::optional<Symbol> find(std::string_view name);

    std::uint32_t id() const noexcept { return id_; }
    // The folded name.
    const std::string& folded() const;

    friend bool operator==(Symbol a, Symbol b) noexcept { return a.id_ == b.id_; }

private:
    explicit Symbol(std::uint32_t id) : id_(id) {}
    std::uint32_t id_;
};

// ASCII lower-case folding, the way every name of the runtime is matched.
APPRT_API std::string foldName(std::string_view name);

}  // namespace apprt
