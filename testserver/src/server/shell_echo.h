// cmd.exe's echo, with the output redirection (> and >>) a tool uses to write a file.
#pragma once

#include <string_view>

#include "cmd_shell.h"

namespace testserver {

// `arguments`: what follows the word echo, its first blank included.
ShellOutput Echo(ServerState& state, std::string_view arguments);

}  // namespace testserver
