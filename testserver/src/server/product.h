// Which SQL Server release the server plays: the version it names, and what that
// release refuses of the statements a tool written for SQL Server 2000 sends.
#pragma once

#include <optional>
#include <string_view>

#include "../tds/protocol_version.h"

namespace testserver {

enum class Product { k2000, k2019 };

struct ProductInfo {
  Product product = Product::k2000;
  std::string_view version;         // as the SQL Server Browser answers it: "8.00.2039"
  std::string_view banner;          // @@VERSION
  std::string_view productVersion;  // SERVERPROPERTY('ProductVersion')
  // What PRELOGIN and LOGINACK report (a client's SQL_DBMS_VER), in every TDS dialect.
  tds::ProductVersion loginVersion;
  // BACKUP LOG ... WITH NO_LOG / TRUNCATE_ONLY (gone since 2008).
  bool truncatesLogWithoutBackup = true;
  // xp_cmdshell can be switched off (since 2005, where it ships switched off).
  bool hasXpCmdShellSwitch = false;
  // BACKUP and RESTORE know WITH CHECKSUM, NO_CHECKSUM and COPY_ONLY (since 2005).
  bool backupChecksums = false;
};

const ProductInfo& DescribeProduct(Product product);

// "2000" or "2019".
std::optional<Product> ParseProduct(std::string_view text);

}  // namespace testserver
