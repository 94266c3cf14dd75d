// UPLOADFTP and UPFTP: upload one file, or a list of files, to an FTP server.
#include <mutex>
#include <optional>

#include "desk_functions.h"
#include "error.h"
#include "functions.h"

namespace deskkit {
namespace {

// The FTP client class lives in netlib, beside this library. It is loaded on
// the first upload, unless the host (or a test) has put its own FTPCLIENT in
// the runtime already.
Value ftpClientClass() {
    static std::mutex mutex;
    static std::optional<apprt::Module> netlib;
    {
        std::lock_guard lock(mutex);
        if (!apprt::hasFunction("FTPCLIENT") && !netlib)
            netlib = apprt::loadModule("netlib", apprt::directoryOf(reinterpret_cast<const void*>(&UPLOADFTP)));
    }
    return apprt::call("FTPCLIENT");
}

// One operand of the upload's left-to-right AND: it must be a logical.
bool operand(const Value& v) { return v.logical(".AND."); }

}  // namespace

Value UPLOADFTP(Args a) {
    const Value& host = a[0];
    const Value& user = a[1];
    const Value& password = a[2];
    const Value& file = a[3];
    const Value& callback = a[4];
    const Value passive = a[5].isNil() ? Value(false) : a[5];

    const Value client = ftpClientClass().send("new");
    client.send("SetCallBack", {callback});
    client.assign("PassiveMode", passive);
    // No Login after a failed Connect, no PutFile after a failed Login. An
    // error in any of them goes on to the caller without Destroy: the
    // client's own destructor then closes what it holds.
    const bool result = operand(client.send("Connect", {host})) &&
                        operand(client.send("Login", {user, password})) &&
                        operand(client.send("PutFile", {file}));
    client.send("Destroy");
    return Value(result);
}

Value UPFTP(Args a) {
    Value result(false);
    Value list = apprt::call("ACREATE");
    const Value passive = a[5].isNil() ? Value(false) : a[5];
    const Value& files = a[3];

    const std::string type = apprt::call("VALTYPE", {files}).text();
    if (type == "C")
        apprt::call("AADD", {list, files});
    else if (type == "A")
        list = files;  // the caller's own array: a change to it during the loop counts
    else
        return Value(false);

    // The length is read again before each pass.
    for (std::int64_t i = 1; Value(i) <= apprt::call("LEN", {list}); ++i) {
        result = UPLOADFTP({a[0], a[1], a[2], list.at(i), a[4], passive});
        apprt::call("SLEEP", {Value(300)});  // 3 seconds, after every file
    }
    return result;
}

}  // namespace deskkit
