// The process-wide symbol table.
#include "symbol.h"

#include <deque>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace apprt {
namespace {

struct SymbolTable {
    std::shared_mutex mutex;
    std::unordered_map<std::string, std::uint32_t> ids;
    std::deque<std::string> names;  // by id; a deque keeps references stable
};

SymbolTable& table() {
    static SymbolTable t;
    return t;
}

}  // namespace

std::string foldName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

Symbol Symbol::intern(std::string_view name) {
    std::string folded = foldName(name);
    SymbolTable& t = table();
    {
        std::shared_lock read(t.mutex);
        if (auto it = t.ids.find(folded); it != t.ids.end()) return Symbol(it->second);
    }
    std::unique_lock write(t.mutex);
    auto [it, added] = t.ids.try_emplace(folded, static_cast<std::uint32_t>(t.names.size()));
    if (added) t.names.push_back(std::move(folded));
    return Symbol(it->second);
}

std::optional<Symbol> Symbol::find(std::string_view name) {
    std::string folded = foldName(name);
    SymbolTable& t = table();
    std::shared_lock read(t.mutex);
    if (auto it = t.ids.find(folded); it != t.ids.end()) return Symbol(it->second);
    return std::nullopt;
}

const std::string& Symbol::folded() const {
    SymbolTable& t = table();
    std::shared_lock read(t.mutex);
    return t.names[id_];
}

}  // namespace apprt
