#pragma once

#include <string>

namespace harrowlander::smb {

// Shuts down every TCP connection of this process to the server's SMB port (port 0: 445
// and 139): whatever the library waits for on them ends at once with a failure of the
// network, and their contexts close without asking the server anything. For a server
// given by name rather than address, every connection to that port goes.
void CutConnectionsTo(const std::string& server, int port);

}  // namespace harrowlander::smb
