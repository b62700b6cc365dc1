#include "server_state.h"

#include "../text.h"

namespace testserver {

bool ServerState::InUseByOthers(std::string_view database, int spid) const {
  for (const auto& [other, session] : sessions) {
    if (other != spid && EqualsNoCase(session.database, database)) {
      return true;
    }
  }
  return false;
}

void ServerState::CreateMachineFolders() const {
  for (const char* folder :
       {"C:\\WINDOWS\\system32", "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\BACKUP"}) {
    std::filesystem::create_directories(*paths.Map(folder));
  }
}

}  // namespace testserver
