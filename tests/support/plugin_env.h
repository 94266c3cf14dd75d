// Loads plug-ins once for a test executable, and a clipboard that records.
#pragma once

#include <string>
#include <vector>

#include "functions.h"

namespace testing_support {

// Loads a plug-in from beside the test executable, once per process.
void loadPlugin(const std::string& name);
inline void loadKvdlink() { loadPlugin("kvdlink"); }

// Stands in for SYSCLIPBOARD while it lives: its objects log each message
// ("create", ..., "setBuffer:<text>") instead of touching the desktop.
class RecordingClipboard {
public:
    RecordingClipboard();
    const std::vector<std::string>& log() const;
    // The text of the last setBuffer, or nothing when there was none.
    std::vector<std::string> buffers() const;

private:
    apprt::FunctionOverride override_;
};

}  // namespace testing_support
