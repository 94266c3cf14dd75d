// Order files: JSON to order records.
#include "order_json.h"

#include <limits>
#include <nlohmann/json.hpp>

#include "functions.h"
#include "object.h"

namespace host {
namespace {

using apprt::Value;
using nlohmann::json;

bool sameName(std::string_view a, std::string_view b) {
    return apprt::foldName(a) == apprt::foldName(b);
}

// A scalar, or an array of them, as the runtime's value.
Value scalar(const json& j, const std::string& where) {
    switch (j.type()) {
    case json::value_t::null: return Value();
    case json::value_t::boolean: return Value(j.get<bool>());
    case json::value_t::string: return Value(j.get_ref<const std::string&>());
    case json::value_t::number_integer: return Value(j.get<std::int64_t>());
    case json::value_t::number_unsigned: {
        const auto u = j.get<std::uint64_t>();
        if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return Value(static_cast<std::int64_t>(u));
        return Value(static_cast<double>(u));
    }
    case json::value_t::number_float: return Value(j.get<double>());
    case json::value_t::array: {
        std::vector<Value> items;
        for (std::size_t i = 0; i < j.size(); ++i)
            items.push_back(scalar(j[i], where + "[" + std::to_string(i + 1) + "]"));
        return apprt::makeArray(std::move(items));
    }
    default:
        throw OrderInputError(where + ": an object is allowed only for the supplier and the positions");
    }
}

// A new record of the class `classFunction` answers, with the object's members.
Value record(const char* classFunction, const json& j, const std::string& where) {
    const Value instance = apprt::call(classFunction).send("new");
    const apprt::Class& cls = instance.object().classOf();
    for (const auto& [key, value] : j.items()) {
        if (!cls.hasMember(key)) throw OrderInputError(where + ": no member '" + key + "'");
        instance.assign(key, scalar(value, where + "." + key));
    }
    return instance;
}

}  // namespace

Value orderFromJson(const std::string& text) {
    json j;
    try {
        j = json::parse(text);
    } catch (const json::parse_error& e) {
        throw OrderInputError(e.what());
    }
    if (!j.is_object()) throw OrderInputError("order: expected a JSON object");

    const Value order = apprt::call("ORDER_STRUCTURE").send("new");
    const apprt::Class& cls = order.object().classOf();
    bool linesGiven = false;
    std::int64_t positions = 0;
    for (const auto& [key, value] : j.items()) {
        if (!cls.hasMember(key)) throw OrderInputError("order: no member '" + key + "'");
        if (sameName(key, "lines")) linesGiven = true;
        if (sameName(key, "supplier") && value.is_object()) {
            order.assign(key, record("SUPPLIER_STRUCTURE", value, "supplier"));
        } else if (sameName(key, "orderPos") && value.is_array()) {
            std::vector<Value> list;
            for (std::size_t i = 0; i < value.size(); ++i) {
                const std::string where = "orderPos[" + std::to_string(i + 1) + "]";
                list.push_back(value[i].is_object() ? record("ORDERPOSITION_STRUCTURE", value[i], where)
                                                    : scalar(value[i], where));
            }
            positions = static_cast<std::int64_t>(list.size());
            order.assign(key, apprt::makeArray(std::move(list)));
        } else {
            order.assign(key, scalar(value, key));
        }
    }
    if (!linesGiven) order.assign("lines", Value(positions));
    return order;
}

}  // namespace host
