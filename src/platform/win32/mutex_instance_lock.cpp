#include "platform/win32/mutex_instance_lock.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace harrowlander::win32 {

MutexInstanceLock::MutexInstanceLock(const std::string& name)
    : m_mutex(CreateMutexW(nullptr, FALSE, Widen(name).c_str())) {}

MutexInstanceLock::~MutexInstanceLock() {
  Release();
  if (m_mutex != nullptr) {
    CloseHandle(m_mutex);
  }
}

bool MutexInstanceLock::TryAcquire() {
  if (m_held) {
    return true;
  }
  if (m_mutex == nullptr) {
    return false;
  }
  const DWORD waited = WaitForSingleObject(m_mutex, 0);
  m_held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  return m_held;
}

void MutexInstanceLock::Release() {
  if (m_held) {
    ReleaseMutex(m_mutex);
    m_held = false;
  }
}

}  // namespace harrowlander::win32
