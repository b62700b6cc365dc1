// Publishes "net share" folders as Samba registry shares through `net conf`, with
// `force user` set to this process's user so that SMB clients can read and delete
// the files the server writes.
#pragma once

#include <string>

#include "shares.h"

namespace testserver {

Shares::Publisher MakeSambaPublisher(std::string sambaConf);

}  // namespace testserver
