#pragma once

#include <string>

#include "ports/network_session.h"
#include "res/format_text.h"
#include "transfer/server_transfer.h"

namespace harrowlander {

// The status texts Backup and Restore share for their transfer through the server's
// folder and share.

// The database's name goes into the transfer file's name, which the server's shell
// deletes by name at the end.
inline std::string UnsafeTransferNameText(const std::string& database) {
  return FormatText(
      "数据库名[%s]含有双引号、百分号、星号、问号或换行,无法安全地交给命令行;未做任何操作.",
      {database});
}

inline std::string FolderRefusedText(const ServerTransfer& transfer, const std::string& said) {
  return FormatText("服务器不能建立临时目录[%s]:%s", {transfer.strFolder, said});
}

inline std::string ShareRefusedText(const ServerTransfer& transfer, const std::string& said) {
  return FormatText("服务器不能建立共享[%s]:%s", {transfer.strShare, said});
}

// A server that offers no SMB dialect this workstation speaks is not the account's fault.
inline std::string ShareLogOnFailedText(const NetworkSession& network, const std::string& server) {
  return network.LastLogOnFailure() == NetworkSession::LogOnFailure::kNoCommonDialect
             ? FormatText("远程服务器[%s]不提供本机支持的SMB协议版本!", {server})
             : FormatText("登陆远程服务器[%s]失败!", {server});
}

}  // namespace harrowlander
