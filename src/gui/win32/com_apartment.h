#pragma once

#include "platform/win32/windows_api.h"
// objbase.h after the project's Windows header, which takes back the A/W macros.
#include <objbase.h>

namespace harrowlander::win32 {

// COM as a single-threaded apartment on this thread while it exists (the common file
// dialogs host shell objects). A failed initialisation is not reported: what needs
// COM reports its own failure. Only a successful one is balanced.
class ComApartment {
 public:
  ComApartment() : m_result(CoInitialize(nullptr)) {}
  ~ComApartment() {
    if (SUCCEEDED(m_result)) {
      CoUninitialize();
    }
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT m_result;
};

}  // namespace harrowlander::win32
