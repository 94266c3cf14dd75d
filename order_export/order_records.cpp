// The order records: the order, its positions, the supplier and the parameters.
#include <array>
#include <vector>

#include "class_export.h"

namespace kvdlink {
namespace {

using apprt::MethodKind;
using apprt::Symbol;
using apprt::VarKind;
using apprt::Visibility;

constexpr auto kInstance = VarKind::Instance;
constexpr auto kExported = Visibility::Exported;

// All record members are exported instance variables.
template <std::size_t N>
constexpr std::array<VarSpec, N> exportedVars(const char* const (&names)[N]) {
    std::array<VarSpec, N> vars{};
    for (std::size_t i = 0; i < N; ++i) vars[i] = {names[i], kInstance, kExported};
    return vars;
}

constexpr const char* kOrderMembers[] = {"orderNo",  "dealerNumber", "orderType",
                                         "lines",    "supplier",     "orderPos"};
constexpr auto kOrderVars = exportedVars(kOrderMembers);

// Position members in declaration order; init gives the quantity and the
// customer number the integer 0 and every other member the empty text.
constexpr const char* kPositionMembers[] = {
    "partNo", "description", "size",         "color",     "ean", "orig",   "quantity",
    "custNo", "custName",    "custForename", "missionNo", "vin", "remark",
};
constexpr auto kPositionVars = exportedVars(kPositionMembers);

constexpr const char* kSupplierMembers[] = {
    "lr",        "name",  "name2",  "street",    "postcode", "countrycode", "town",
    "telephone", "fax",   "email",  "mobile",    "vfabfrage", "user",       "pass",
    "dealernumber",
};
constexpr auto kSupplierVars = exportedVars(kSupplierMembers);

constexpr VarSpec kParamVars[] = {{"veloxport", VarKind::Class, kExported}};

Value positionInit(const Value& self, Args) {
    static const auto symbols = [] {
        std::vector<Symbol> s;
        for (const char* name : kPositionMembers) s.push_back(Symbol::intern(name));
        return s;
    }();
    static const Symbol quantity = Symbol::intern("quantity"), custNo = Symbol::intern("custNo");
    for (const Symbol name : symbols)
        self.assign(name, name == quantity || name == custNo ? Value(0) : Value(""));
    return self;
}

constexpr MethodSpec kPlainMethods[] = {
    {"init", MethodKind::Instance, kExported, answerSelf},
    {"initClass", MethodKind::Class, kExported, answerSelf},
};
constexpr MethodSpec kPositionMethods[] = {
    {"init", MethodKind::Instance, kExported, positionInit},
    {"initClass", MethodKind::Class, kExported, answerSelf},
};

constexpr ClassSpec kOrder{"order_Structure", nullptr, 6, 0, 2, kOrderVars, kPlainMethods};
constexpr ClassSpec kPosition{"orderPosition_Structure", nullptr, 13, 0, 2, kPositionVars,
                              kPositionMethods};
constexpr ClassSpec kSupplier{"supplier_Structure", nullptr, 15, 0, 2, kSupplierVars,
                              kPlainMethods};
constexpr ClassSpec kParam{"param_Structure", nullptr, 0, 1, 2, kParamVars, kPlainMethods};

}  // namespace

Value ORDER_STRUCTURE(Args) { return classFunction(kOrder); }
Value ORDERPOSITION_STRUCTURE(Args) { return classFunction(kPosition); }
Value SUPPLIER_STRUCTURE(Args) { return classFunction(kSupplier); }
Value PARAM_STRUCTURE(Args) { return classFunction(kParam); }

}  // namespace kvdlink
