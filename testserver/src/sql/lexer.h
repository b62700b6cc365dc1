// T-SQL tokens: bracketed and double-quoted identifiers, '...' and N'...' literals
// with doubled quotes inside, words, numbers and punctuation. Comments are skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testserver::sql {

enum class TokenKind { Word, QuotedIdentifier, String, Number, Symbol, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;       // the value: identifier without brackets, literal without quotes
  std::string raw;        // as written, for error messages
  bool national = false;  // a string literal written N'...'
};

struct LexResult {
  std::vector<Token> tokens;  // always ends with an End token
  bool unclosed = false;      // a literal or identifier never closes
  std::string unclosedQuote;
  bool unclosedIsIdentifier = false;
};

LexResult Tokenize(std::string_view text);

}  // namespace testserver::sql
