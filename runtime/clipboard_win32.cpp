// The Windows clipboard: the text as CF_TEXT, in the host's ANSI code page.
#include <windows.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "clipboard_backend.h"

namespace apprt::detail {

bool setClipboardText(std::string_view text) {
    // Another program may hold the clipboard for a moment.
    bool opened = false;
    for (int attempt = 0; attempt < 20 && !(opened = OpenClipboard(nullptr)); ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!opened) return false;
    bool ok = false;
    if (EmptyClipboard()) {
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
            if (void* p = GlobalLock(memory)) {
                std::memcpy(p, text.data(), text.size());
                static_cast<char*>(p)[text.size()] = '\0';
                GlobalUnlock(memory);
                // Once set, the clipboard owns the memory.
                ok = SetClipboardData(CF_TEXT, memory) != nullptr;
            }
            if (!ok) GlobalFree(memory);
        }
    }
    CloseClipboard();
    return ok;
}

}  // namespace apprt::detail
