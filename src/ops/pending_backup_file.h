#pragma once

#include <string>

#include "ports/file_system.h"

namespace harrowlander {

// A backup that the server on this machine writes under a name of its own beside the
// file the user chose, which it replaces only once it is complete: a backup that fails
// or is stopped part-way leaves the older file there as it was. However the run ends,
// the new file goes again unless it was put in place.
class PendingBackupFile {
 public:
  PendingBackupFile(FileSystem& files, std::string chosenPath);
  ~PendingBackupFile();
  PendingBackupFile(const PendingBackupFile&) = delete;
  PendingBackupFile& operator=(const PendingBackupFile&) = delete;

  // Where the server writes the backup.
  const std::string& Path() const { return m_path; }
  // Moves the new file over the chosen one.
  FileResult PutInPlace();

 private:
  FileSystem& m_files;
  std::string m_chosenPath;
  std::string m_path;
  bool m_inPlace = false;
};

}  // namespace harrowlander
