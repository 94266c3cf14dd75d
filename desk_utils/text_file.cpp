// TEXT2FILE: the shared text-file routine, exported.
#include "text_file.h"

#include "desk_functions.h"

namespace deskkit {

Value TEXT2FILE(Args a) { return Value(common::text2File(a[0], a[1])); }

}  // namespace deskkit
