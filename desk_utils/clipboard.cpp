// CLIPBOARD: put a text on the desktop clipboard.
#include "desk_functions.h"
#include "functions.h"
#include "services.h"

namespace deskkit {

Value CLIPBOARD(Args a) {
    const Value& text = a[0];
    bool result = false;
    const Value board = apprt::call("SYSCLIPBOARD").send("New");
    // An empty text leaves the clipboard as it was: the object is not used.
    if (!apprt::isEmpty(text)) {
        for (const char* step : {"create", "open", "clear"}) board.send(step);
        board.send("setBuffer", {text});
        board.send("close");
        board.send("destroy");
        result = true;
    }
    return Value(result);
}

}  // namespace deskkit
