#include "app_locks.h"

#include <array>

#include "../text.h"

namespace testserver {

namespace {

constexpr unsigned Bit(AppLockMode mode) {
  return 1u << static_cast<unsigned>(mode);
}

// The lock manager's compatibility of the modes sp_getapplock offers: which held modes
// of other owners each requested mode can live with.
unsigned CompatibleWith(AppLockMode requested) {
  using M = AppLockMode;
  switch (requested) {
    case M::IntentShared:
      return Bit(M::IntentShared) | Bit(M::Shared) | Bit(M::Update) | Bit(M::IntentExclusive);
    case M::Shared:
      return Bit(M::IntentShared) | Bit(M::Shared) | Bit(M::Update);
    case M::Update:
      return Bit(M::IntentShared) | Bit(M::Shared);
    case M::IntentExclusive:
      return Bit(M::IntentShared) | Bit(M::IntentExclusive);
    case M::Exclusive:
      return 0;
  }
  return 0;
}

}  // namespace

std::optional<AppLockMode> ParseAppLockMode(std::string_view text) {
  static constexpr std::array<std::pair<const char*, AppLockMode>, 5> kNames{{
      {"Shared", AppLockMode::Shared},
      {"Update", AppLockMode::Update},
      {"IntentShared", AppLockMode::IntentShared},
      {"IntentExclusive", AppLockMode::IntentExclusive},
      {"Exclusive", AppLockMode::Exclusive},
  }};
  for (const auto& [name, mode] : kNames) {
    if (EqualsNoCase(text, name)) {
      return mode;
    }
  }
  return std::nullopt;
}

bool AppLocks::TryAcquire(const AppLockKey& key, AppLockMode mode, int spid) {
  auto& holders = m_held[key];
  for (const auto& [other, hold] : holders) {
    if (other != spid && (hold.modes & ~CompatibleWith(mode)) != 0) {
      return false;
    }
  }
  Hold& mine = holders[spid];
  mine.modes |= Bit(mode);
  ++mine.count;
  return true;
}

bool AppLocks::Release(const AppLockKey& key, int spid) {
  auto lock = m_held.find(key);
  if (lock == m_held.end()) {
    return false;
  }
  auto hold = lock->second.find(spid);
  if (hold == lock->second.end()) {
    return false;
  }
  if (--hold->second.count == 0) {
    lock->second.erase(hold);
    if (lock->second.empty()) {
      m_held.erase(lock);
    }
  }
  return true;
}

void AppLocks::ReleaseAll(int spid) {
  for (auto lock = m_held.begin(); lock != m_held.end();) {
    lock->second.erase(spid);
    lock = lock->second.empty() ? m_held.erase(lock) : std::next(lock);
  }
}

}  // namespace testserver
