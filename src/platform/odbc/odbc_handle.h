#pragma once

#ifdef _WIN32
#include <windows.h>  // the Windows ODBC headers need its types first
#endif
#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace harrowlander::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the wide ODBC calls take UTF-16");

// One ODBC handle, freed with its owner.
class OdbcHandle {
 public:
  OdbcHandle() = default;
  OdbcHandle(SQLSMALLINT type, SQLHANDLE handle) : m_type(type), m_handle(handle) {}
  ~OdbcHandle() { Free(); }
  OdbcHandle(OdbcHandle&& other) noexcept
      : m_type(other.m_type), m_handle(std::exchange(other.m_handle, nullptr)) {}
  OdbcHandle& operator=(OdbcHandle&& other) noexcept {
    if (this != &other) {
      Free();
      m_type = other.m_type;
      m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
  }

  SQLSMALLINT type() const { return m_type; }
  SQLHANDLE get() const { return m_handle; }
  explicit operator bool() const { return m_handle != SQL_NULL_HANDLE; }

 private:
  void Free() {
    if (m_handle != SQL_NULL_HANDLE) {
      SQLFreeHandle(m_type, m_handle);
      m_handle = SQL_NULL_HANDLE;
    }
  }

  SQLSMALLINT m_type = 0;
  SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

inline bool Succeeded(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

inline SQLWCHAR* Wide(std::u16string& text) {
  return reinterpret_cast<SQLWCHAR*>(text.data());
}

}  // namespace harrowlander::odbc
