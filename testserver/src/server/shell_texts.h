// What cmd.exe and net.exe print, in the display languages the played machine can have.
// "%s" in a text stands for the argument.
#pragma once

#include <string>
#include <string_view>

#include "shell_settings.h"

namespace testserver {

enum class ShellText {
  CommandSyntaxIncorrect,
  NameSyntaxIncorrect,
  AlreadyExists,
  AccessDenied,
  PathNotFound,
  FileNotFound,
  AreYouSure,
  CouldNotFind,
  FileInUse,
  DirectoryNameInvalid,
  DirectoryNotEmpty,
  NotRecognized,
  NotRecognizedEnd,
  SystemError,
  NameAlreadyShared,
  SharedSuccessfully,
  DeletedSuccessfully,
  ShareNotFound,
  MoreHelp,
  CommandCompleted,
  NetSyntaxIs,
  ShareListHeader,
  ShareName,
  SharePath,
  ShareRemark,
  ShareMaximumUsers,
  ShareUsers,
  ShareCaching,
  SharePermission,
  NoLimit,
  ManualCaching,
  EchoIsOn,
};

std::string Say(ShellLanguage language, ShellText text, std::string_view argument = {});

// One line of "net share NAME": the label padded to net.exe's value column, then the value.
std::string ShareDetail(ShellLanguage language, ShellText label, std::string_view value);

}  // namespace testserver
