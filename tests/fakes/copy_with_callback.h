#pragma once

#include <cstdint>
#include <string>

#include "ports/file_system.h"

namespace harrowlander::testing {

// A copy observer that hands the progress to a callback and asks for no stop.
class CallbackObserver : public CopyObserver {
 public:
  explicit CallbackObserver(const CopyProgressCallback& progress) : m_progress(progress) {}
  void Progress(std::uint64_t total, std::uint64_t copied) override { m_progress(total, copied); }

 private:
  const CopyProgressCallback& m_progress;
};

// The copy's outcome as true (copied) or false, with its progress to a callback.
inline bool CopyWith(FileSystem& files, const std::string& source, const std::string& destination,
                     const CopyProgressCallback& progress) {
  CallbackObserver observer(progress);
  return files.CopyFile(source, destination, observer).Copied();
}

}  // namespace harrowlander::testing
