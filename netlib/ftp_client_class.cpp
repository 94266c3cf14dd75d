// The class FTPCLIENT: the FTP session as the runtime's objects see it.
#include "ftp_client_class.h"

#include "class_registry.h"
#include "error.h"
#include "ftp_session.h"
#include "object.h"

namespace netlib {
namespace {

using apprt::Args;
using apprt::Value;

// The session inside each FTPCLIENT instance; it closes with the instance
// when an error skipped Destroy.
struct SessionData final : apprt::NativeData {
    FtpSession session{Limits::fromSettings()};
};

FtpSession& sessionOf(const Value& self) {
    auto& instance = apprt::instanceOf(self, "FTPClient");
    auto* data = dynamic_cast<SessionData*>(instance.native());
    if (!data) {
        instance.setNative(std::make_unique<SessionData>());
        data = static_cast<SessionData*>(instance.native());
    }
    return data->session;
}

const apprt::Symbol& callbackName() {
    static const apprt::Symbol s = apprt::Symbol::intern("callback");
    return s;
}
const apprt::Symbol& passiveName() {
    static const apprt::Symbol s = apprt::Symbol::intern("PassiveMode");
    return s;
}

Value init(const Value& self, Args) {
    self.assign(passiveName(), Value(false));
    sessionOf(self);
    return self;
}

Value setCallBack(const Value& self, Args a) {
    if (!a[0].isNil() && !a[0].isBlock())
        throw apprt::Error("FTPClient:SetCallBack", std::string("expects a code block or nil, got ") +
                                                        apprt::kindName(a[0].kind()));
    self.assign(callbackName(), a[0]);
    return Value();
}

Value connect(const Value& self, Args a) {
    return Value(sessionOf(self).connect(a[0].text("FTPClient:Connect")));
}

Value login(const Value& self, Args a) {
    return Value(sessionOf(self).login(a[0].text("FTPClient:Login"), a[1].text("FTPClient:Login")));
}

Value putFile(const Value& self, Args a) {
    const std::string& file = a[0].text("FTPClient:PutFile");
    const Value& mode = self.member(passiveName());
    const bool passive = !mode.isNil() && mode.logical("FTPClient:PassiveMode");
    const Value callback = self.member(callbackName());
    Progress progress;
    if (callback.isBlock())
        progress = [&callback](const std::string& name, std::uint64_t sent, std::uint64_t size) {
            callback.call({Value(name), Value(static_cast<std::int64_t>(sent)),
                           Value(static_cast<std::int64_t>(size))});
        };
    return Value(sessionOf(self).putFile(std::filesystem::path(file), passive, progress));
}

Value destroy(const Value& self, Args) {
    sessionOf(self).close();
    return Value();
}

apprt::ClassDraft ftpClientClass() {
    using apprt::MethodKind;
    using apprt::Visibility;
    apprt::ClassDraft draft("FTPClient", 2, 0, 7);
    draft.var("PassiveMode", apprt::VarKind::Instance, Visibility::Exported)
        .var("callback", apprt::VarKind::Instance, Visibility::Hidden)
        .method("init", MethodKind::Instance, Visibility::Exported, init)
        .method("SetCallBack", MethodKind::Instance, Visibility::Exported, setCallBack)
        .method("Connect", MethodKind::Instance, Visibility::Exported, connect)
        .method("Login", MethodKind::Instance, Visibility::Exported, login)
        .method("PutFile", MethodKind::Instance, Visibility::Exported, putFile)
        .method("Destroy", MethodKind::Instance, Visibility::Exported, destroy)
        .method("initClass", MethodKind::Class, Visibility::Exported,
                [](const Value& self, Args) { return self; });
    return draft;
}

}  // namespace

Value FTPCLIENT(Args) { return apprt::ClassRegistry::instance().obtainObject("FTPClient", ftpClientClass); }

}  // namespace netlib
