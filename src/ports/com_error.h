#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace harrowlander {

// Result codes of the failures that the core raises itself.
namespace hresult {
inline constexpr std::int32_t kPointer = static_cast<std::int32_t>(0x80004003);
inline constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);
inline constexpr std::int32_t kTypeMismatch = static_cast<std::int32_t>(0x80020005);
}  // namespace hresult

// The one error type of SQL access: every failure of a SqlConnection or SqlRecordset
// call arrives as a ComError. Only the description reaches the user.
class ComError : public std::exception {
 public:
  ComError(std::int32_t code, std::string description)
      : m_code(code), m_description(std::move(description)) {}

  std::int32_t Error() const { return m_code; }
  // For a server's refusal, the server's message text; never empty.
  const std::string& Description() const { return m_description; }
  const char* what() const noexcept override { return m_description.c_str(); }

 private:
  std::int32_t m_code;
  std::string m_description;
};

}  // namespace harrowlander
