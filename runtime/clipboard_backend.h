// The desktop clipboard of the platform, behind the SYSCLIPBOARD class.
#pragma once

#include <string_view>

namespace apprt::detail {

// Replaces the clipboard's content with the text, as plain text. False when
// there is no desktop or the desktop refused; nobody is told more.
bool setClipboardText(std::string_view text);

}  // namespace apprt::detail
