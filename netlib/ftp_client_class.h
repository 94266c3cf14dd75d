// FTPCLIENT: the class function of netlib's FTP client class.
#pragma once

#include "value.h"

namespace netlib {

// Answers the class FTPClient, registering it on the first call. Its objects
// answer SetCallBack, Connect, Login, PutFile and Destroy and have the
// exported member PassiveMode.
apprt::Value FTPCLIENT(apprt::Args args = {});

}  // namespace netlib
