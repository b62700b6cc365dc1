#include "ops/table_keywords.h"

#include "ports/text_codec.h"

namespace harrowlander {

std::vector<std::string> SplitTableKeywords(TextCodec& codec, std::string_view keywordText) {
  constexpr size_t kByteLimit = 255;
  constexpr std::string_view kSeparators = "; ,";
  const std::string gbk = codec.Utf8ToGbk(keywordText).substr(0, kByteLimit);
  std::vector<std::string> keywords;
  for (size_t start = gbk.find_first_not_of(kSeparators); start != std::string::npos;) {
    const size_t end = gbk.find_first_of(kSeparators, start);
    keywords.push_back(codec.GbkToUtf8(std::string_view(gbk).substr(start, end - start)));
    start = gbk.find_first_not_of(kSeparators, end);
  }
  return keywords;
}

}  // namespace harrowlander
