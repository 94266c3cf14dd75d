// A private X display for clipboard tests: Xvfb on a free display number.
#pragma once

#include <sys/types.h>

#include <string>

namespace testing_support {

// Starts Xvfb on a display it picks itself, points DISPLAY at it (and unsets
// WAYLAND_DISPLAY) for this process; stops it by process id when it goes.
class XvfbDisplay {
public:
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;
    const std::string& display() const { return display_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;  // -1 where the display is the parent process's
    std::string display_;
};

// The clipboard's text as `xclip -o -selection clipboard` reads it; empty
// when the clipboard has no owner.
std::string readClipboard();
// The helpers hand the selection to a background process, which may take it
// a moment after the setter returned: reads until the text is `expected`, or
// two seconds have passed, and answers the last read.
std::string awaitClipboard(const std::string& expected);
// Puts a text on the clipboard with xclip, as another program would.
void writeClipboard(const std::string& text);

}  // namespace testing_support
