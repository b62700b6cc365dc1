#include "ops/pending_backup_file.h"

#include <utility>

namespace harrowlander {

PendingBackupFile::PendingBackupFile(FileSystem& files, std::string chosenPath)
    : m_files(files), m_chosenPath(std::move(chosenPath)), m_path(m_chosenPath + ".partial") {
  // A run that ended without its clean-up (the power failed) may have left one: the
  // server is to write this backup afresh, not onto that.
  m_files.DeleteFile(m_path);
}

PendingBackupFile::~PendingBackupFile() {
  if (!m_inPlace) {
    m_files.DeleteFile(m_path);
  }
}

FileResult PendingBackupFile::PutInPlace() {
  const FileResult moved = m_files.MoveOver(m_path, m_chosenPath);
  m_inPlace = moved.ok;
  return moved;
}

}  // namespace harrowlander
