// SYSCLIPBOARD: the clipboard class whose objects put a text on the desktop clipboard.
#include "builtins.h"
#include "class_registry.h"
#include "clipboard_backend.h"
#include "error.h"

namespace apprt {
namespace {

Value answerTrue(const Value&, Args) { return Value(true); }

// create, open and clear stand for acquiring and emptying the clipboard; the
// desktop does all three when setBuffer hands it the new content.
Value setBuffer(const Value&, Args a) {
    return Value(detail::setClipboardText(a[0].text("SysClipboard:setBuffer")));
}

ClassDraft clipboardClass() {
    ClassDraft draft("SysClipboard", 0, 0, 7);
    draft.method("init", MethodKind::Instance, Visibility::Exported,
                 [](const Value& self, Args) { return self; });
    for (const char* name : {"create", "open", "clear", "close", "destroy"})
        draft.method(name, MethodKind::Instance, Visibility::Exported, answerTrue);
    draft.method("setBuffer", MethodKind::Instance, Visibility::Exported, setBuffer);
    return draft;
}

}  // namespace

Value fnSysClipboard(Args) {
    return ClassRegistry::instance().obtainObject("SysClipboard", clipboardClass);
}

}  // namespace apprt
