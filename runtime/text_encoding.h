// Byte texts and UTF-8: what the desktop's clipboard on Linux needs.
#pragma once

#include <string>
#include <string_view>

namespace apprt::detail {

bool isValidUtf8(std::string_view bytes);
// Each byte as its Windows-1252 character, in UTF-8. Bytes that code page
// leaves undefined become the C1 controls of the same value.
std::string windows1252ToUtf8(std::string_view bytes);

}  // namespace apprt::detail
