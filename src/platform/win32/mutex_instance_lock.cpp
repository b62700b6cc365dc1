#include "platform/win32/mutex_instance_lock.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {

MutexInstanceLock::MutexInstanceLock(const std::string& name)
    : m_name(name), m_mutex(CreateMutexW(nullptr, FALSE, Widen(name).c_str())) {
  m_createError = m_mutex == nullptr ? GetLastError() : 0;
}

MutexInstanceLock::~MutexInstanceLock() {
  Release();
  if (m_mutex != nullptr) {
    CloseHandle(m_mutex);
  }
}

LockAttempt MutexInstanceLock::TryAcquire() {
  using Result = LockAttempt::Result;
  if (m_held) {
    return {Result::kTaken, {}};
  }
  if (m_mutex == nullptr) {
    // Denied: the name exists, made by an instance running under other rights.
    if (m_createError == ERROR_ACCESS_DENIED) {
      return {Result::kHeldByAnotherInstance, {}};
    }
    return {Result::kFailed, "CreateMutex " + m_name + ": error " + std::to_string(m_createError)};
  }
  const DWORD waited = WaitForSingleObject(m_mutex, 0);
  m_held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  if (m_held || waited == WAIT_TIMEOUT) {
    return {m_held ? Result::kTaken : Result::kHeldByAnotherInstance, {}};
  }
  return {Result::kFailed,
          "WaitForSingleObject " + m_name + ": error " + std::to_string(GetLastError())};
}

void MutexInstanceLock::Release() {
  if (m_held) {
    ReleaseMutex(m_mutex);
    m_held = false;
  }
}

}  // namespace harrowlander::win32
