// The command shell behind xp_cmdshell: the cmd.exe commands this tool's users send
// (mkdir, del, rmdir, net share, echo), acting on the mapped folders and printing what
// cmd.exe prints.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server_state.h"

namespace testserver {

struct ShellOutput {
  std::vector<std::optional<std::string>> lines;  // blank lines come back as NULL
  int status = 0;
};

ShellOutput RunShellCommand(ServerState& state, std::string_view commandLine);

// A path as cmd.exe under xp_cmdshell reads it: relative names are in C:\WINDOWS\system32.
std::string ShellPath(const std::string& path);

// Shares the folder `path` (created when missing) as `name`, as an administrator did
// before the server started; false when the path cannot be mapped or published.
bool ShareAtStartup(ServerState& state, const std::string& name, const std::string& path);

// cmd.exe's wildcard match of a file name: * and ?, without regard to case; a
// trailing ".*" also matches a name without extension.
bool WildcardMatch(std::string_view name, std::string_view pattern);

}  // namespace testserver
