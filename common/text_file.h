// The text-file routine that the order sender and TEXT2FILE share.
#pragma once

#include "value.h"

namespace common {

// Writes `text` as the whole content of the file at `path`: erase, create
// with attribute 0, write, close, through the runtime's file functions.
// Answers false when the create fails, when fewer bytes were written than the
// text holds, or when the close fails; after any failure once the file was
// created, the partial file is removed. A path or text that is not a text
// raises the runtime's error before the file is touched.
bool text2File(const apprt::Value& path, const apprt::Value& text);

}  // namespace common
