// FERASE, FCREATE, FWRITE and FCLOSE on POSIX file descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <unordered_set>

#include "builtins.h"
#include "file_services.h"
#include "error.h"

namespace apprt {
namespace {

using detail::handleOf;
using detail::usablePath;

// The handles FCREATE gave out. FWRITE and FCLOSE take no other descriptor, so
// a stray number can never write to or close one of the host's own files.
class Handles {
public:
    void add(int fd) {
        std::lock_guard lock(mutex_);
        open_.insert(fd);
    }
    bool has(int fd) {
        std::lock_guard lock(mutex_);
        return open_.count(fd) != 0;
    }
    bool take(int fd) {
        std::lock_guard lock(mutex_);
        return open_.erase(fd) != 0;
    }

private:
    std::mutex mutex_;
    std::unordered_set<int> open_;
};

Handles& handles() {
    static Handles h;
    return h;
}

}  // namespace

Value fnFErase(Args a) {
    const std::string& path = a[0].text("FERASE");
    if (!usablePath(path)) return Value(-1);
    // unlink removes a symbolic link itself, never what it points to.
    return Value(::unlink(path.c_str()) == 0 ? 0 : -1);
}

Value fnFCreate(Args a) {
    const std::string& path = a[0].text("FCREATE");
    const std::int64_t attribute = a[1].isNil() ? 0 : a[1].integer("FCREATE");
    if (!usablePath(path)) return Value(-1);
    // Attribute 1 is read-only; other bits have no meaning here.
    const mode_t mode = (attribute & 1) ? 0444 : 0666;
    // O_NOFOLLOW: a link placed at the path is not followed to another file.
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Value(-1);
    handles().add(fd);
    return Value(fd);
}

Value fnFWrite(Args a) {
    const int fd = handleOf(a[0], "FWRITE");
    const std::string& text = a[1].text("FWRITE");
    if (!handles().has(fd)) return Value(0);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return Value(static_cast<std::int64_t>(done));
}

Value fnFClose(Args a) {
    const int fd = handleOf(a[0], "FCLOSE");
    if (!handles().take(fd)) return Value(false);
    // The descriptor is gone whatever close answers (EINTR included), so it
    // is never closed twice.
    return Value(::close(fd) == 0);
}

}  // namespace apprt
