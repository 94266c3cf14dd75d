// The runtime's error: raised by value operations on values of the wrong kind.
#pragma once

#include <stdexcept>
#include <string>

#include "export.h"

namespace apprt {

// One exception type for every failure the runtime raises. Its text has one
// fixed shape, "<where>: <detail>", where <where> is the class for member and
// method errors ("KVD: 'setSeparator' is hidden") and the operation or function
// otherwise ("+: cannot add nil to text", "CHR: expects a number, got text").
class APPRT_API Error : public std::runtime_error {
public:
    Error(std::string where, std::string detail);
    ~Error() override;

    const std::string& where() const noexcept { return where_; }
    const std::string& detail() const noexcept { return detail_; }

private:
    std::string where_;
    std::string detail_;
};

}  // namespace apprt
