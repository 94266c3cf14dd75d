// The runtime's error.
#include "error.h"

namespace apprt {

Error::Error(std::string where, std::string detail)
    : std::runtime_error(where + ": " + detail), where_(std::move(where)),
      detail_(std::move(detail)) {}

Error::~Error() = default;

}  // namespace apprt
