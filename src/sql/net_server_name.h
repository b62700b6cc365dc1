#pragma once

#include <string>
#include <string_view>

namespace harrowlander {
class SystemInfo;
class TextCodec;
}  // namespace harrowlander

namespace harrowlander::sql {

// The machine part of a SQL Server name ("HOST\INSTANCE" gives HOST), with the local
// aliases "." and "(local)" replaced by this computer's name. Blanks around the text
// are ignored.
std::string DeriveNetServerName(SystemInfo& system, TextCodec& codec, std::string_view serverText);

// This computer's network name, at most 15 bytes in the ANSI code page (GBK); empty
// when the system has none or only a longer one.
std::string GetLocalComputerName(SystemInfo& system, TextCodec& codec);

}  // namespace harrowlander::sql
