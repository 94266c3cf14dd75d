// FERASE, FCREATE, FWRITE and FCLOSE on Win32 file handles.
#include <windows.h>

#include <mutex>
#include <unordered_map>

#include "builtins.h"
#include "file_services.h"
#include "error.h"

namespace apprt {
namespace {

using detail::handleOf;
using detail::usablePath;

// The handles FCREATE gave out, by the small numbers the caller sees. FWRITE
// and FCLOSE take no other, so a stray number never reaches another file.
class Handles {
public:
    int add(HANDLE h) {
        std::lock_guard lock(mutex_);
        const int id = next_++;
        open_[id] = h;
        return id;
    }
    HANDLE find(int id) {
        std::lock_guard lock(mutex_);
        auto it = open_.find(id);
        return it == open_.end() ? INVALID_HANDLE_VALUE : it->second;
    }
    HANDLE take(int id) {
        std::lock_guard lock(mutex_);
        auto it = open_.find(id);
        if (it == open_.end()) return INVALID_HANDLE_VALUE;
        HANDLE h = it->second;
        open_.erase(it);
        return h;
    }

private:
    std::mutex mutex_;
    std::unordered_map<int, HANDLE> open_;
    int next_ = 3;
};

Handles& handles() {
    static Handles h;
    return h;
}

}  // namespace

Value fnFErase(Args a) {
    const std::string& path = a[0].text("FERASE");
    if (!usablePath(path)) return Value(-1);
    return Value(DeleteFileA(path.c_str()) ? 0 : -1);
}

Value fnFCreate(Args a) {
    const std::string& path = a[0].text("FCREATE");
    const std::int64_t attribute = a[1].isNil() ? 0 : a[1].integer("FCREATE");
    if (!usablePath(path)) return Value(-1);
    const DWORD attributes = (attribute & 1) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    // FILE_FLAG_OPEN_REPARSE_POINT: a link placed at the path is not followed.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           attributes | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Value(-1);
    return Value(handles().add(h));
}

Value fnFWrite(Args a) {
    const int id = handleOf(a[0], "FWRITE");
    const std::string& text = a[1].text("FWRITE");
    HANDLE h = handles().find(id);
    if (h == INVALID_HANDLE_VALUE) return Value(0);
    std::size_t done = 0;
    while (done < text.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(h, text.data() + done, chunk, &written, nullptr) || written == 0) break;
        done += written;
    }
    return Value(static_cast<std::int64_t>(done));
}

Value fnFClose(Args a) {
    HANDLE h = handles().take(handleOf(a[0], "FCLOSE"));
    if (h == INVALID_HANDLE_VALUE) return Value(false);
    return Value(CloseHandle(h) != 0);
}

}  // namespace apprt
