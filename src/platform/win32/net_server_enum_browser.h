#pragma once

#include "ports/server_browser.h"

struct _SERVER_INFO_101;

namespace harrowlander::win32 {

// The network's browse list through NetServerEnum: one call, at level 101, for every
// machine that announces a SQL Server, in the workstation's primary domain.
class NetServerEnumBrowser : public ServerBrowser {
 public:
  ServerEnumeration EnumerateSqlServers() override;
};

// What one NetServerEnum call answered: the records count only when the status is
// success or more data.
ServerEnumeration ServerEnumerationOf(std::uint32_t status, const _SERVER_INFO_101* records,
                                      std::uint32_t read, std::uint32_t total);

}  // namespace harrowlander::win32
