// Parses a batch into statements. A syntax error rejects the whole batch, as the
// server compiles a batch before it runs any of it.
#pragma once

#include <string_view>
#include <vector>

#include "../server/product.h"
#include "code_page.h"
#include "statements.h"

namespace testserver::sql {

// Throws SqlError (102, 105, 155, ...) for text it cannot parse. With `literalPage`,
// string literals without the N prefix read as that code page leaves them. `product`
// decides which options BACKUP and RESTORE know.
std::vector<Statement> ParseBatch(std::string_view text, const AnsiCodePage* literalPage = nullptr,
                                  Product product = Product::k2000);

}  // namespace testserver::sql
