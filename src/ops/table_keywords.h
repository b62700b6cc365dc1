#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace harrowlander {

class TextCodec;

// The table-name patterns of the keyword text: only its first 255 bytes in GBK take
// part (a character cut there stays cut), and runs of ";", "," and blanks separate
// them. A tab is part of a pattern.
std::vector<std::string> SplitTableKeywords(TextCodec& codec, std::string_view keywordText);

}  // namespace harrowlander
