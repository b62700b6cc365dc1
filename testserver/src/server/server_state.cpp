#include "server_state.h"

#include "../text.h"

namespace testserver {

bool ServerState::InUseByOthers(std::string_view database, int spid) const {
  for (const auto& [other, name] : sessionDatabases) {
    if (other != spid && EqualsNoCase(name, database)) {
      return true;
    }
  }
  return false;
}

}  // namespace testserver
