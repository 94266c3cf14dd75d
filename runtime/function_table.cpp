// The function table: every function callable by name, and their overrides.
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <vector>

#include "builtins.h"
#include "error.h"
#include "functions.h"

namespace apprt {
namespace {

struct Entry {
    std::string module;
    std::string spelling;
    int params;
    FunctionBody body;
};
using EntryRef = std::shared_ptr<const Entry>;

class FunctionTable {
public:
    static FunctionTable& instance() {
        static FunctionTable table;
        return table;
    }

    EntryRef find(std::string_view name) {
        const std::string key = foldName(name);
        std::shared_lock read(mutex_);
        if (auto it = overrides_.find(key); it != overrides_.end() && !it->second.empty())
            return it->second.back();
        auto it = entries_.find(key);
        return it == entries_.end() ? nullptr : it->second;
    }

    void add(std::string_view module, std::span<const FunctionDef> table) {
        std::unique_lock write(mutex_);
        for (const auto& def : table) {
            if (auto it = entries_.find(foldName(def.name)); it != entries_.end())
                throw Error(std::string(module), std::string("cannot register ") + def.name +
                                                     ": " + it->second->module + " has it already");
        }
        for (const auto& def : table) {
            NativeFn fn = def.fn;
            entries_[foldName(def.name)] = std::make_shared<const Entry>(
                Entry{std::string(module), def.name, def.params, [fn](Args a) { return fn(a); }});
        }
    }

    void remove(std::string_view module) {
        std::unique_lock write(mutex_);
        std::erase_if(entries_, [&](const auto& kv) { return kv.second->module == module; });
    }

    void push(const std::string& key, EntryRef entry) {
        std::unique_lock write(mutex_);
        overrides_[key].push_back(std::move(entry));
    }

    void pop(const std::string& key, const void* token) {
        std::unique_lock write(mutex_);
        auto& stack = overrides_[key];
        std::erase_if(stack, [&](const EntryRef& e) { return e.get() == token; });
    }

private:
    FunctionTable() { add("APPRT", builtinFunctions()); }

    std::shared_mutex mutex_;
    std::unordered_map<std::string, EntryRef> entries_;
    std::unordered_map<std::string, std::vector<EntryRef>> overrides_;
};

}  // namespace

Value call(std::string_view name, Args args) {
    EntryRef entry = FunctionTable::instance().find(name);
    if (!entry) throw Error(std::string(name), "no such function");
    if (args.size() > static_cast<std::size_t>(entry->params))
        throw Error(entry->spelling, "takes " + std::to_string(entry->params) + " arguments, got " +
                                         std::to_string(args.size()));
    return entry->body(args);
}

FunctionBody currentFunction(std::string_view name) {
    EntryRef entry = FunctionTable::instance().find(name);
    if (!entry) throw Error(std::string(name), "no such function");
    return [entry](Args args) { return entry->body(args); };
}

bool hasFunction(std::string_view name) { return FunctionTable::instance().find(name) != nullptr; }

void registerFunctions(std::string_view module, std::span<const FunctionDef> table) {
    FunctionTable::instance().add(module, table);
}

void unregisterFunctions(std::string_view module) { FunctionTable::instance().remove(module); }

FunctionOverride::FunctionOverride(std::string_view name, int params, FunctionBody body)
    : name_(foldName(name)) {
    auto entry = std::make_shared<const Entry>(
        Entry{"override", std::string(name), params, std::move(body)});
    token_ = entry.get();
    FunctionTable::instance().push(name_, std::move(entry));
}

FunctionOverride::~FunctionOverride() { FunctionTable::instance().pop(name_, token_); }

}  // namespace apprt
