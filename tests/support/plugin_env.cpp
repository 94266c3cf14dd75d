// Plug-ins for the tests, and the recording clipboard.
#include "plugin_env.h"

#include <map>
#include <memory>

#include "class_registry.h"
#include "object.h"

namespace testing_support {
namespace {

std::vector<std::string>& clipboardLog() {
    static std::vector<std::string> log;
    return log;
}

apprt::Value recordingClass() {
    using namespace apprt;
    return ClassRegistry::instance().obtainObject("RecordingClipboard", [] {
        ClassDraft d("RecordingClipboard", 0, 0, 6);
        for (const char* step : {"create", "open", "clear", "close", "destroy"}) {
            const std::string name = step;
            d.method(name, MethodKind::Instance, Visibility::Exported, [name](const Value&, Args) {
                clipboardLog().push_back(name);
                return Value(true);
            });
        }
        d.method("setBuffer", MethodKind::Instance, Visibility::Exported, [](const Value&, Args a) {
            clipboardLog().push_back("setBuffer:" + a[0].text());
            return Value(true);
        });
        return d;
    });
}

}  // namespace

void loadPlugin(const std::string& name) {
    static std::map<std::string, apprt::Module> loaded;
    if (!loaded.count(name)) loaded.emplace(name, apprt::loadModule(name));
}

RecordingClipboard::RecordingClipboard()
    : override_("SYSCLIPBOARD", 0, [](apprt::Args) { return recordingClass(); }) {
    clipboardLog().clear();
}

const std::vector<std::string>& RecordingClipboard::log() const {
    return clipboardLog();
}

std::vector<std::string> RecordingClipboard::buffers() const {
    std::vector<std::string> texts;
    for (const auto& e : clipboardLog())
        if (e.rfind("setBuffer:", 0) == 0) texts.push_back(e.substr(10));
    return texts;
}

}  // namespace testing_support
