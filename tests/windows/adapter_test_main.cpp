// The Win32 adapters' tests. The same program also plays the other process that some
// tests need, chosen by its first argument:
//   --take-instance-lock NAME            exits 0 when it got the lock, else 3
//   --take-instance-lock-and-crash NAME  takes the lock and ends without releasing it
//   --exit-after MILLISECONDS CODE       sleeps, then exits with the code
#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

#include "platform/win32/mutex_instance_lock.h"
#include "platform/win32/windows_api.h"

namespace {

constexpr int kRefused = 3;

int PlayOtherProcess(int argc, char** argv) {
  const std::string_view role = argv[1];
  if (role == "--take-instance-lock" && argc == 3) {
    harrowlander::win32::MutexInstanceLock lock(argv[2]);
    return lock.TryAcquire().result == harrowlander::LockAttempt::Result::kTaken ? 0 : kRefused;
  }
  if (role == "--take-instance-lock-and-crash" && argc == 3) {
    harrowlander::win32::MutexInstanceLock lock(argv[2]);
    if (lock.TryAcquire().result != harrowlander::LockAttempt::Result::kTaken) {
      return kRefused;
    }
    TerminateProcess(GetCurrentProcess(), 0);
  }
  if (role == "--exit-after" && argc == 4) {
    Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    return std::atoi(argv[3]);
  }
  return 100;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]).starts_with("--") &&
      !std::string_view(argv[1]).starts_with("--gtest")) {
    return PlayOtherProcess(argc, argv);
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
