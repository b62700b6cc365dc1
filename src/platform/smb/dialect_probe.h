#pragma once

#include <string>

namespace harrowlander::smb {

// What a server answers to a negotiation offering the dialects this client speaks
// (SMB1's NT LM 0.12, SMB2 and SMB3).
enum class DialectAnswer {
  kAgreed,           // it chose one of them
  kNoCommonDialect,  // it answered and chose none
  kUnknown,          // no answer that tells: not reached, closed, timed out, not SMB
};

// Asks server (a name or an address) on port (0: 445) over a connection of its own,
// which is closed again before the answer is returned. Sends nothing but the
// negotiation: no account, no password. Waits a few seconds at most.
DialectAnswer ProbeDialects(const std::string& server, int port);

}  // namespace harrowlander::smb
