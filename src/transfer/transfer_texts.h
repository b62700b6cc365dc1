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

// A share of the transfer share's name that some other folder is shared under is not
// this tool's: it stays as it is.
inline std::string ShareElsewhereText(const ServerTransfer& transfer, const std::string& said,
                                      const std::string& sharedFolder) {
  return ShareRefusedText(transfer, said) +
         FormatText(" 该共享名已用于[%s],不是本程序的临时目录[%s],未做改动.",
                    {sharedFolder, transfer.strFolder});
}

// A file of the transfer file's name in a folder that this tool did not make.
inline std::string FileInTheWayText(const ServerTransfer& transfer, const std::string& name) {
  return FormatText("服务器的临时目录[%s]中已有文件[%s],它不是本程序留下的;未做任何改动.",
                    {transfer.strFolder, name});
}

inline std::string TransferBusyText(const std::string& server) {
  return FormatText("服务器[%s]的传输目录正被另一次备份或还原使用,等待...", {server});
}

inline std::string TransferStillBusyText(const std::string& server, int seconds) {
  return FormatText("服务器[%s]的传输目录一直被另一次备份或还原使用,等待%d秒后放弃;未做任何改动.",
                    {server, seconds});
}

inline constexpr const char* kStoppingText = "正在停止,清除服务器上的临时文件和共享...";

// A server that offers no SMB dialect this workstation speaks is not the account's fault.
inline std::string ShareLogOnFailedText(const NetworkSession& network, const std::string& server) {
  return network.LastLogOnFailure() == NetworkSession::LogOnFailure::kNoCommonDialect
             ? FormatText("远程服务器[%s]不提供本机支持的SMB协议版本!", {server})
             : FormatText("登陆远程服务器[%s]失败!", {server});
}

}  // namespace harrowlander
