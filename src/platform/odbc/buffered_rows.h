#pragma once

#include <string>
#include <vector>

#include "ports/sql_connection.h"

namespace harrowlander::odbc {

// The first result set of a statement, held in memory.
struct BufferedRows {
  std::vector<std::string> columns;
  std::vector<std::vector<SqlValue>> rows;
};

}  // namespace harrowlander::odbc
