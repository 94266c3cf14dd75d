// The text-file routine.
#include "text_file.h"

#include "functions.h"

namespace common {

using apprt::Value;

bool text2File(const Value& path, const Value& text) {
    const auto size = static_cast<std::int64_t>(text.text("FWRITE").size());
    path.text("FERASE");

    apprt::call("FERASE", {path});
    const Value handle = apprt::call("FCREATE", {path, Value(0)});
    if (handle == Value(-1)) return false;

    bool ok = true;
    try {
        ok = apprt::call("FWRITE", {handle, text}) == Value(size);
    } catch (...) {
        // A file service that raised: leave no partial file behind.
        try {
            apprt::call("FCLOSE", {handle});
            apprt::call("FERASE", {path});
        } catch (...) {
        }
        throw;
    }
    if (apprt::call("FCLOSE", {handle}) != Value(true)) ok = false;
    if (!ok) apprt::call("FERASE", {path});
    return ok;
}

}  // namespace common
