#include <gtest/gtest.h>

#include "fakes/sql_dialog_fixture.h"
#include "sql/server_connection.h"

namespace harrowlander {
namespace {

using namespace res;

class ConnectionProcedureTest : public testing::SqlDialogTest {};

TEST_F(ConnectionProcedureTest, TimeoutsFromTheFieldsBeforeOpenZeroMeaningNoLimit) {
  dlg.m_nConnectTimeout = 0;
  dlg.m_nCommandTimeout = 12000;
  sql::SqlObjects ado;
  sql::OpenServerConnection(fake.ports.sql, dlg.Login(), ado, "pubs", sql::WithRecordset::kNo);
  EXPECT_EQ(Timeline(), (std::vector<std::string>{
                            "create connection", "connection timeout 0", "command timeout 12000",
                            "connection open Provider=SQLOLEDB.1;Password=;Persist Security "
                            "Info=True;User ID=sa;Initial Catalog=pubs;Data Source=(local)"}));
}

TEST_F(ConnectionProcedureTest, AnObjectThatCouldNotBeCreatedRaisesEPointerAtFirstUse) {
  fake.server.connectionCreationFails = true;
  sql::SqlObjects ado;
  try {
    sql::OpenServerConnection(fake.ports.sql, dlg.Login(), ado, "master", sql::WithRecordset::kYes);
    FAIL() << "no error raised";
  } catch (const ComError& error) {
    EXPECT_EQ(static_cast<std::uint32_t>(error.Error()), 0x80004003u);
    EXPECT_FALSE(error.Description().empty());
  }
  // The recordset is still created right after the connection.
  EXPECT_EQ(Timeline(), (std::vector<std::string>{"create connection", "create recordset"}));
}

TEST_F(ConnectionProcedureTest, ANullColumnCannotBeReadAsText) {
  fake.server.answers["q"] = {{"filename"}, {{std::nullopt}}};
  sql::SqlObjects ado;
  SqlConnection& connection = sql::OpenServerConnection(fake.ports.sql, dlg.Login(), ado, "master",
                                                        sql::WithRecordset::kYes);
  sql::OpenStaticQuery(ado.Recordset(), connection, "q");
  EXPECT_THROW(sql::ReadColumnText(ado.Recordset(), "filename"), ComError);
}

TEST_F(ConnectionProcedureTest, TheErrorReportShowsTheDescriptionCharacterForCharacter) {
  dlg.ReportComError(ComError(-1, "Incorrect syntax near '%s' (100%d)."));
  EXPECT_EQ(dlg.m_strStatus, "Incorrect syntax near '%s' (100%d).");
  EXPECT_EQ(fake.window.texts[IDC_STATUS], "Incorrect syntax near '%s' (100%d).");
  EXPECT_TRUE(fake.window.messageBoxes.empty());

  dlg.ReportComError(ComError(static_cast<std::int32_t>(0x80004005), ""));
  EXPECT_EQ(dlg.m_strStatus, "SQL Server access failed (error 0x80004005).");
}

}  // namespace
}  // namespace harrowlander
