#include "samba_publisher.h"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace testserver {

namespace {

bool RunQuietly(std::vector<std::string> args) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) {
    argv.push_back(a.data());
  }
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string CurrentUser() {
  passwd* entry = getpwuid(geteuid());
  return entry ? entry->pw_name : "root";
}

}  // namespace

Shares::Publisher MakeSambaPublisher(std::string sambaConf) {
  return [conf = std::move(sambaConf)](const Share& share, bool add) {
    if (!add) {
      return RunQuietly({"net", "-s", conf, "conf", "delshare", share.name});
    }
    // A share left behind by a server that was killed would make addshare fail.
    RunQuietly({"net", "-s", conf, "conf", "delshare", share.name});
    return RunQuietly({"net", "-s", conf, "conf", "addshare", share.name, share.folder.string(),
                       "writeable=y", "guest_ok=n"}) &&
           RunQuietly(
               {"net", "-s", conf, "conf", "setparm", share.name, "force user", CurrentUser()});
  };
}

}  // namespace testserver
