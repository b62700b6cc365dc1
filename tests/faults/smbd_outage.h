#pragma once

#include <sys/types.h>

namespace harrowlander::testing {

// The private smbd of tests/smb/with_smbd.sh (HARROWLANDER_SMBD_PID, the leader of a
// process group of its own) made to fail as a server machine does. It answers again when
// Resume is called or this object goes, however the test ends.
class SmbdOutage {
 public:
  SmbdOutage();
  ~SmbdOutage() { Resume(); }
  SmbdOutage(const SmbdOutage&) = delete;
  SmbdOutage& operator=(const SmbdOutage&) = delete;

  // Whether with_smbd.sh named its smbd and that smbd leads its process group.
  bool Known() const;
  // Every smbd process stops (SIGSTOP of the group): the connections that it serves and
  // new ones alike wait for an answer, as with a machine that hangs.
  bool StopAnswering();
  // The connections that smbd serves break at once (the processes that serve them are
  // killed), and new ones get no answer (the listening smbd stops): a link that dropped
  // and stays down. Returns how many connections were broken.
  int BreakConnections();
  void Resume();

 private:
  pid_t m_pid = 0;
  bool m_stopped = false;
};

}  // namespace harrowlander::testing
