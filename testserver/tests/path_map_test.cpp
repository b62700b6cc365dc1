#include "server/path_map.h"

#include <gtest/gtest.h>

#include <fstream>

#include "server_process.h"

using testserver::PathMap;
namespace fs = std::filesystem;

TEST(PathMap, DriveLettersBecomeFoldersAndNamesMatchWithoutCase) {
  ScratchDir scratch;
  PathMap paths(scratch.Path());
  EXPECT_EQ(*paths.Map("C:\\BKSQLData$\\pubs.bak"),
            scratch.Path() / "c" / "BKSQLData$" / "pubs.bak");
  fs::create_directories(scratch.Path() / "d" / "Data");
  std::ofstream(scratch.Path() / "d" / "Data" / "Sales.Mdf").put('x');
  EXPECT_EQ(*paths.Map("d:\\DATA\\sales.MDF"), scratch.Path() / "d" / "Data" / "Sales.Mdf");
  EXPECT_EQ(*paths.Map("D:/Data//x\\"), scratch.Path() / "d" / "Data" / "x");
  EXPECT_EQ(*paths.Map("c:\\a\\..\\..\\b"), scratch.Path() / "c" / "b");  // never above the drive
}

TEST(PathMap, PosixPathsStandAndOthersAreRejected) {
  PathMap paths("/state");
  EXPECT_EQ(*paths.Map("/home/u/pubs.bak"), fs::path("/home/u/pubs.bak"));
  EXPECT_FALSE(paths.Map(""));
  EXPECT_FALSE(paths.Map("relative\\x.bak"));
  EXPECT_FALSE(paths.Map("\\\\server\\share\\x.bak"));
}
