#include "lexer.h"

#include <cctype>

namespace testserver::sql {

namespace {

bool IsWordStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '#' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsWordChar(char c) {
  return IsWordStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$';
}

// Reads a quoted run that ends at `close`, where a doubled `close` stands for one.
// Returns false when the input ends first.
bool ReadQuoted(std::string_view text, size_t& i, char close, std::string& value) {
  for (++i; i < text.size(); ++i) {
    if (text[i] == close) {
      if (i + 1 < text.size() && text[i + 1] == close) {
        value += close;
        ++i;
        continue;
      }
      ++i;
      return true;
    }
    value += text[i];
  }
  return false;
}

}  // namespace

LexResult Tokenize(std::string_view text) {
  LexResult result;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      while (i < text.size() && text[i] != '\n') {
        ++i;
      }
      continue;
    }
    if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      size_t end = text.find("*/", i + 2);
      i = end == std::string_view::npos ? text.size() : end + 2;
      continue;
    }
    size_t start = i;
    Token token;
    bool national = (c == 'N' || c == 'n') && i + 1 < text.size() && text[i + 1] == '\'';
    if (c == '\'' || national) {
      if (national) {
        ++i;
      }
      token.kind = TokenKind::String;
      token.national = national;
      if (!ReadQuoted(text, i, '\'', token.text)) {
        result.unclosed = true;
        result.unclosedQuote = token.text;
        break;
      }
    } else if (c == '[' || c == '"') {
      token.kind = TokenKind::QuotedIdentifier;
      if (!ReadQuoted(text, i, c == '[' ? ']' : '"', token.text)) {
        result.unclosed = true;
        result.unclosedQuote = token.text;
        result.unclosedIsIdentifier = true;
        break;
      }
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      token.kind = TokenKind::Number;
      while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i;
      }
      token.text = std::string(text.substr(start, i - start));
    } else if (IsWordStart(c)) {
      token.kind = TokenKind::Word;
      while (i < text.size() && IsWordChar(text[i])) {
        ++i;
      }
      token.text = std::string(text.substr(start, i - start));
    } else {
      token.kind = TokenKind::Symbol;
      std::string_view two = text.substr(i, 2);
      if (two == "<>" || two == "!=" || two == ">=" || two == "<=") {
        i += 2;
      } else {
        ++i;
      }
      token.text = std::string(text.substr(start, i - start));
    }
    token.raw = std::string(text.substr(start, i - start));
    result.tokens.push_back(std::move(token));
  }
  result.tokens.push_back(Token{});
  return result;
}

}  // namespace testserver::sql
