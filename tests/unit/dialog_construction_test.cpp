#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "res/resource_ids.h"
#include "ui/harrowlander_dlg.h"

namespace harrowlander {
namespace {

TEST(DialogConstruction, FieldsStartWithTheirDefaults) {
  testing::FakePlatform fake;
  CHarrowlanderDlg dlg(fake.ports);
  EXPECT_EQ(dlg.m_strServer, "(local)");
  EXPECT_EQ(dlg.m_strSqlUser, "sa");
  EXPECT_EQ(dlg.m_nMode, 0);
  EXPECT_EQ(dlg.m_nShrinkPercent, 10);
  EXPECT_EQ(dlg.m_nConnectTimeout, 15);
  EXPECT_EQ(dlg.m_nCommandTimeout, 60);
  EXPECT_EQ(dlg.m_bRestoreToDataDir, 1);
  EXPECT_EQ(dlg.m_bTruncateLogBeforeShrink, 1);
  EXPECT_EQ(dlg.m_bIncremental, 1);
  EXPECT_EQ(dlg.m_bSameMachine, 0);
  EXPECT_EQ(dlg.m_hIcon, res::IDR_MAINFRAME);
  EXPECT_TRUE(dlg.m_strDatabase.empty());
  EXPECT_TRUE(dlg.m_strRarExePath.empty());
}

}  // namespace
}  // namespace harrowlander
