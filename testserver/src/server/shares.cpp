#include "shares.h"

#include <fstream>

#include "../text.h"

namespace testserver {

std::optional<Share> Shares::Find(const std::string& name) const {
  auto it = m_shares.find(ToLower(name));
  if (it == m_shares.end()) {
    return std::nullopt;
  }
  return it->second;
}

bool Shares::Add(const Share& share) {
  if (m_publisher && !m_publisher(share, true)) {
    return false;
  }
  m_shares[ToLower(share.name)] = share;
  Record();
  return true;
}

bool Shares::Remove(const std::string& name) {
  auto it = m_shares.find(ToLower(name));
  if (it == m_shares.end()) {
    return false;
  }
  if (m_publisher) {
    m_publisher(it->second, false);
  }
  m_shares.erase(it);
  Record();
  return true;
}

void Shares::Clear() {
  while (!m_shares.empty()) {
    Remove(m_shares.begin()->second.name);
  }
}

void Shares::Record() const {
  if (m_recordFile.empty()) {
    return;
  }
  std::ofstream out(m_recordFile, std::ios::trunc);
  for (const auto& [key, share] : m_shares) {
    out << share.name << '\t' << share.serverPath << '\t' << share.folder.string() << '\n';
  }
}

}  // namespace testserver
