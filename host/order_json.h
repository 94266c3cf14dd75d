// Reading an order file (JSON) into the plug-in's order records.
#pragma once

#include <stdexcept>
#include <string>

#include "value.h"

namespace host {

// The order file does not describe an order: invalid JSON (with line and
// column) or a member the record does not have ("orderPos[2]: no member 'qty'").
class OrderInputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Builds an order_Structure from the JSON text, through the class functions
// of the loaded kvdlink. Members match the records' names in any case; those
// left out keep their init defaults; `lines` left out is the number of
// positions. Values pass as they stand, so the runtime judges wrong kinds.
apprt::Value orderFromJson(const std::string& json);

}  // namespace host
