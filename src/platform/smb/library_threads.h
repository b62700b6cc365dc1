#pragma once

namespace harrowlander::smb {

// Lets libsmbclient serve several contexts on several threads at once, each context
// used by one thread at a time. Must run before the process's first libsmbclient call;
// the first SmbClient does it. False when this build of Samba offers no way to do it:
// then every call into the library stays behind SmbClient::Lock().
bool EnableLibraryThreads();

// What EnableLibraryThreads answered; false before it ran.
bool LibraryThreadsEnabled();

}  // namespace harrowlander::smb
