// deskkit's exported functions.
#pragma once

#include "value.h"

namespace deskkit {

using apprt::Args;
using apprt::Value;

Value CLIPBOARD(Args a);      // text -> logical
Value TEXT2FILE(Args a);      // path, text -> logical
Value SHELLOPENFILE(Args a);  // path -> the shell's number
// host, user, password, file(s), callback, passive -> logical
Value UPLOADFTP(Args a);
Value UPFTP(Args a);

}  // namespace deskkit
