#include "platform/odbc/data_source.h"

#include <cctype>

#include "ports/com_error.h"

namespace harrowlander::odbc {
namespace {

constexpr std::string_view kThisMachine = "127.0.0.1";
// A default instance listens here; the driver would otherwise take whatever port its
// own configuration names.
constexpr int kDefaultInstancePort = 1433;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())) != 0) {
    s.remove_prefix(1);
  }
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())) != 0) {
    s.remove_suffix(1);
  }
  return s;
}

bool IsThisMachine(std::string_view host) {
  if (host == ".") {
    return true;
  }
  constexpr std::string_view kLocal = "(local)";
  if (host.size() != kLocal.size()) {
    return false;
  }
  for (size_t i = 0; i < host.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(host[i])) != kLocal[i]) {
      return false;
    }
  }
  return true;
}

[[noreturn]] void Invalid(std::string_view dataSource, std::string_view why) {
  throw ComError(hresult::kFail, "Invalid SQL Server name \"" + std::string(dataSource) +
                                     "\": " + std::string(why));
}

}  // namespace

DataSource ParseDataSource(std::string_view dataSource) {
  std::string_view text = Trim(dataSource);
  DataSource result;
  if (text.starts_with("tcp:") || text.starts_with("TCP:")) {
    result.asNamed = text.substr(0, 4);
    text.remove_prefix(4);
  }
  if (const size_t comma = text.rfind(','); comma != std::string_view::npos) {
    const std::string_view port = Trim(text.substr(comma + 1));
    int value = 0;
    for (char c : port) {
      if (!std::isdigit(static_cast<unsigned char>(c)) || value > 65535) {
        Invalid(dataSource, "the port after the comma is not a number.");
      }
      value = value * 10 + (c - '0');
    }
    if (port.empty() || value < 1 || value > 65535) {
      Invalid(dataSource, "the port after the comma must be 1 to 65535.");
    }
    result.port = value;
    text = Trim(text.substr(0, comma));
  }
  const size_t backslash = text.find('\\');
  std::string_view host = Trim(text.substr(0, backslash));
  if (host.empty()) {
    Invalid(dataSource, "no server is named.");
  }
  result.server = IsThisMachine(host) ? std::string(kThisMachine) : std::string(host);
  result.asNamed += host;
  if (backslash != std::string_view::npos) {
    result.asNamed += Trim(text.substr(backslash));
  }
  if (result.port) {
    result.asNamed += "," + std::to_string(*result.port);
  }
  // With an explicit port the instance name is not needed to find the server.
  if (backslash != std::string_view::npos && !result.port) {
    result.server += text.substr(backslash);
  } else if (!result.port) {
    result.port = kDefaultInstancePort;
  }
  return result;
}

}  // namespace harrowlander::odbc
