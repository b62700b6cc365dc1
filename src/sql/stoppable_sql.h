#pragma once

#include <memory>
#include <string>

#include "ports/sql_connection.h"
#include "run/stop_request.h"

namespace harrowlander::sql {

// The data-access objects of the dialog, made stoppable: a statement or query that runs
// when a stop is requested is cancelled on the server, and one about to start does not,
// both ending in RunStopped. Once the run is stopping, everything goes through: that is
// its clean-up.
class StoppableSqlFactory : public SqlConnectionFactory {
 public:
  StoppableSqlFactory(SqlConnectionFactory& factory, StopRequest& stop)
      : m_factory(factory), m_stop(stop) {}

  std::unique_ptr<SqlConnection> CreateConnection() override;
  std::unique_ptr<SqlRecordset> CreateRecordset() override;

 private:
  SqlConnectionFactory& m_factory;
  StopRequest& m_stop;
};

}  // namespace harrowlander::sql
