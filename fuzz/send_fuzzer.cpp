// Orders of every shape, from the fuzzer's bytes, sent into a directory of
// their own. The only outcomes allowed: true, false, nil or the runtime's
// error; the directory then holds nothing, or the whole file.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "byte_reader.h"
#include "class_registry.h"
#include "error.h"
#include "functions.h"
#include "object.h"
#include "services.h"

using apprt::Value;

namespace {

Value silentClipboard() {
    return apprt::ClassRegistry::instance().obtainObject("FuzzClipboard", [] {
        apprt::ClassDraft d("FuzzClipboard", 0, 0, 6);
        for (const char* m : {"create", "open", "clear", "setBuffer", "close", "destroy"})
            d.method(m, apprt::MethodKind::Instance, apprt::Visibility::Exported,
                     [](const Value&, apprt::Args) { return Value(true); });
        return d;
    });
}

struct Setup {
    std::filesystem::path dir;
    apprt::Module kvdlink;
    apprt::FunctionOverride clipboard;
    Setup()
        : dir(std::filesystem::temp_directory_path() / ("kvd-fuzz-" + std::to_string(::getpid()))),
          kvdlink(apprt::loadModule("kvdlink")),
          clipboard("SYSCLIPBOARD", 0, [](apprt::Args) { return silentClipboard(); }) {
        std::filesystem::create_directories(dir);
    }
    ~Setup() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

// Any value, positions and orders among them, nested a few levels at most.
Value anyValue(fuzzing::ByteReader& in, int depth) {
    switch (in.byte() % 10) {
    case 0: return Value();
    case 1: return Value(in.text(24));
    case 2: return Value(in.integer() % 1000);
    case 3: return Value(in.integer());
    case 4: return Value(in.floating());
    case 5: return Value(in.byte() % 2 == 0);
    case 6: {
        if (depth <= 0) return Value();
        std::vector<Value> items(in.byte() % 5);
        for (auto& item : items) item = anyValue(in, depth - 1);
        return apprt::makeArray(std::move(items));
    }
    case 7: {
        const Value p = apprt::call("ORDERPOSITION_STRUCTURE").send("new");
        if (in.byte() % 4) p.assign("quantity", anyValue(in, depth - 1));
        if (in.byte() % 4) p.assign("partNo", anyValue(in, depth - 1));
        return p;
    }
    case 8: return apprt::call("SUPPLIER_STRUCTURE").send("new");
    default: return apprt::makeBlock([](apprt::Args) { return Value(); });
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Setup& s = setup();
    fuzzing::ByteReader in(data, size);
    const std::filesystem::path file = s.dir / "KVD.csv";
    std::filesystem::remove(file);

    const Value order = in.byte() % 8 ? apprt::call("ORDER_STRUCTURE").send("new") : anyValue(in, 2);
    std::int64_t count = 0;
    if (order.isObject() && order.object().classOf().name() == "order_Structure") {
        std::vector<Value> positions;
        const int n = in.byte() % 12;
        for (int i = 0; i < n; ++i) {
            if (in.byte() % 5) {
                const Value p = apprt::call("ORDERPOSITION_STRUCTURE").send("new");
                p.assign("quantity", in.byte() % 3 ? Value(in.integer() % 100000) : anyValue(in, 2));
                p.assign("partNo", in.byte() % 3 ? Value(in.text(16)) : anyValue(in, 2));
                positions.push_back(p);
            } else {
                positions.push_back(anyValue(in, 2));
            }
        }
        count = static_cast<std::int64_t>(positions.size());
        order.assign("orderPos", in.byte() % 8 ? apprt::makeArray(std::move(positions)) : anyValue(in, 2));
        const auto choice = in.byte() % 6;
        order.assign("lines", choice < 3 ? Value(count - choice % 2) : anyValue(in, 1));
    }

    const Value param = apprt::call("PARAM_STRUCTURE").send("new");
    switch (in.byte() % 6) {
    case 0: {
        // Any kind but text: a text would name some other directory to write in.
        Value v = anyValue(in, 1);
        param.assign("veloxport", v.isText() ? Value() : v);
        break;
    }
    case 1: param.assign("veloxport", Value((s.dir / "missing").string())); break;
    default: param.assign("veloxport", Value(s.dir.string()));
    }
    const Value sendParam = in.byte() % 10 ? param : anyValue(in, 1);

    std::optional<Value> result;
    try {
        result = apprt::call("KVD").send("new").send("send", {order, sendParam});
    } catch (const apprt::Error&) {
    }
    const bool written = std::filesystem::exists(file);
    if (!result || !(*result == Value(true))) {
        if (written) std::abort();  // a failure left a file behind
        if (result && !result->isNil() && !(*result == Value(false))) std::abort();
        return 0;
    }
    if (!written) std::abort();  // true, and no file
    // The whole file: every position, as TOTEXT makes the quantity.
    std::string expected;
    const Value& lines = order.member("lines");
    for (std::int64_t i = 1; Value(i) <= lines; ++i) {
        const Value& p = order.member("orderPos").at(i);
        apprt::appendText(expected, p.member("quantity"));
        expected += '\t';
        expected += p.member("partNo").text();
        expected += "\r\n";
    }
    std::ifstream f(file, std::ios::binary);
    const std::string got{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    if (got != expected) std::abort();
    return 0;
}
