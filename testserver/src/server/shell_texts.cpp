#include "shell_texts.h"

#include <array>

namespace testserver {

namespace {

struct Texts {
  ShellText id;
  const char* english;
  const char* chinese;
};

constexpr std::array kTexts = {
    Texts{ShellText::CommandSyntaxIncorrect, "The syntax of the command is incorrect.",
          "命令语法不正确。"},
    Texts{ShellText::NameSyntaxIncorrect,
          "The filename, directory name, or volume label syntax is incorrect.",
          "文件名、目录名或卷标语法不正确。"},
    Texts{ShellText::AlreadyExists, "A subdirectory or file %s already exists.",
          "子目录或文件 %s 已经存在。"},
    Texts{ShellText::AccessDenied, "Access is denied.", "拒绝访问。"},
    Texts{ShellText::PathNotFound, "The system cannot find the path specified.",
          "系统找不到指定的路径。"},
    Texts{ShellText::FileNotFound, "The system cannot find the file specified.",
          "系统找不到指定的文件。"},
    Texts{ShellText::AreYouSure, "%s, Are you sure (Y/N)? ", "%s, 是否确认(Y/N)? "},
    Texts{ShellText::CouldNotFind, "Could Not Find %s", "找不到 %s"},
    Texts{ShellText::FileInUse,
          "The process cannot access the file because it is being used by another process.",
          "另一个程序正在使用此文件，进程无法访问。"},
    Texts{ShellText::DirectoryNameInvalid, "The directory name is invalid.", "目录名称无效。"},
    Texts{ShellText::DirectoryNotEmpty, "The directory is not empty.", "目录不是空的。"},
    Texts{ShellText::NotRecognized, "'%s' is not recognized as an internal or external command,",
          "'%s' 不是内部或外部命令，也不是可运行的程序"},
    Texts{ShellText::NotRecognizedEnd, "operable program or batch file.", "或批处理文件。"},
    Texts{ShellText::SystemError, "System error %s has occurred.", "发生系统错误 %s。"},
    Texts{ShellText::NameAlreadyShared, "The name has already been shared.", "该名称已被共享。"},
    Texts{ShellText::SharedSuccessfully, "%s was shared successfully.", "%s 共享成功。"},
    Texts{ShellText::DeletedSuccessfully, "%s was deleted successfully.", "%s 已经删除。"},
    Texts{ShellText::ShareNotFound, "This shared resource does not exist.", "此共享资源不存在。"},
    Texts{ShellText::MoreHelp, "More help is available by typing NET HELPMSG %s.",
          "请键入 NET HELPMSG %s 以获得更多的帮助。"},
    Texts{ShellText::CommandCompleted, "The command completed successfully.", "命令成功完成。"},
    Texts{ShellText::NetSyntaxIs, "The syntax of this command is:", "此命令的语法是:"},
    Texts{ShellText::ShareListHeader, "Share name   Resource                        Remark",
          "共享名       资源                            注释"},
    Texts{ShellText::ShareName, "Share name", "共享名"},
    Texts{ShellText::SharePath, "Path", "路径"},
    Texts{ShellText::ShareRemark, "Remark", "注释"},
    Texts{ShellText::ShareMaximumUsers, "Maximum users", "最大用户数"},
    Texts{ShellText::ShareUsers, "Users", "用户"},
    Texts{ShellText::ShareCaching, "Caching", "缓存"},
    Texts{ShellText::SharePermission, "Permission", "权限"},
    Texts{ShellText::NoLimit, "No limit", "无限制"},
    Texts{ShellText::ManualCaching, "Manual caching of documents", "手动缓存文档"},
    Texts{ShellText::EchoIsOn, "ECHO is on.", "ECHO 处于打开状态。"},
};

constexpr size_t kValueColumn = 18;

// Columns on a console: a CJK character takes two.
size_t DisplayWidth(std::string_view text) {
  size_t width = 0;
  for (size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    width += length >= 3 ? 2 : 1;
    i += length;
  }
  return width;
}

}  // namespace

std::string Say(ShellLanguage language, ShellText text, std::string_view argument) {
  for (const Texts& t : kTexts) {
    if (t.id != text) {
      continue;
    }
    std::string out = language == ShellLanguage::Chinese ? t.chinese : t.english;
    if (size_t at = out.find("%s"); at != std::string::npos) {
      out.replace(at, 2, argument);
    }
    return out;
  }
  return {};
}

std::string ShareDetail(ShellLanguage language, ShellText label, std::string_view value) {
  std::string line = Say(language, label);
  if (value.empty()) {
    return line;
  }
  size_t width = DisplayWidth(line);
  line.append(width < kValueColumn ? kValueColumn - width : 1, ' ');
  return line.append(value);
}

}  // namespace testserver
