// Parses a batch into statements. A syntax error rejects the whole batch, as the
// server compiles a batch before it runs any of it.
#pragma once

#include <string_view>
#include <vector>

#include "code_page.h"
#include "statements.h"

namespace testserver::sql {

// Throws SqlError (102, 105, ...) for text it cannot parse. With `literalPage`, string
// literals without the N prefix read as that code page leaves them.
std::vector<Statement> ParseBatch(std::string_view text, const AnsiCodePage* literalPage = nullptr);

}  // namespace testserver::sql
