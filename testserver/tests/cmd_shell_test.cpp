#include "server/cmd_shell.h"

#include <gtest/gtest.h>

#include <fstream>

#include "server_process.h"

using namespace testserver;
namespace fs = std::filesystem;

namespace {

struct Shell : ::testing::Test {
  ScratchDir scratch;
  ServerState state{scratch.Path(), nullptr};

  std::vector<std::string> Run(const std::string& command, int* status = nullptr) {
    ShellOutput out = RunShellCommand(state, command);
    if (status) {
      *status = out.status;
    }
    std::vector<std::string> lines;
    for (const auto& line : out.lines) {
      lines.push_back(line.value_or("NULL"));
    }
    return lines;
  }
  fs::path Drive(const std::string& relative) { return scratch.Path() / "c" / relative; }
  void Touch(const std::string& relative) {
    fs::create_directories(Drive(relative).parent_path());
    std::ofstream(Drive(relative)).put('x');
  }
};

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(Shell, MkdirCreatesOnceThenSaysItExists) {
  int status = -1;
  EXPECT_EQ(Run("mkdir c:\\BKSQLData$ ", &status), Lines{});
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(fs::is_directory(Drive("BKSQLData$")));
  EXPECT_EQ(Run("mkdir c:\\BKSQLData$ ", &status),
            Lines{"A subdirectory or file c:\\BKSQLData$ already exists."});
  EXPECT_EQ(status, 1);
}

TEST_F(Shell, DelWithWildcardsQuotesAndQuiet) {
  Touch("d/Sales.Mdf");
  Touch("d/Sales.Ldf");
  Touch("d/Sales_Log.LDF");
  Touch("d/Other.mdf");
  // The whole command quoted, as cmd /c receives it from the delete operation.
  EXPECT_EQ(Run("\"del c:\\d\\Sales.*\""), Lines{});
  EXPECT_FALSE(fs::exists(Drive("d/Sales.Mdf")));
  EXPECT_FALSE(fs::exists(Drive("d/Sales.Ldf")));
  EXPECT_TRUE(fs::exists(Drive("d/Sales_Log.LDF")));
  EXPECT_EQ(Run("del \"c:\\d\\sales_log.ldf\""), Lines{});
  EXPECT_EQ(Run("del \"c:\\d\\Sales.Mdf\""), Lines{"Could Not Find c:\\d\\Sales.Mdf"});
  EXPECT_EQ(Run("del c:\\d\\*.*"), Lines{"c:\\d\\*.*, Are you sure (Y/N)? "});
  EXPECT_TRUE(fs::exists(Drive("d/Other.mdf")));
  EXPECT_EQ(Run("del c:\\d\\*.* /q"), Lines{});
  EXPECT_TRUE(fs::is_empty(Drive("d")));
  EXPECT_EQ(Run("del c:\\nowhere\\*.* /q"), Lines{"The system cannot find the path specified."});
}

TEST_F(Shell, DelLeavesFilesOfOnlineDatabasesAlone) {
  std::string master = std::string(Catalog::kDataDirectory) + "master.mdf";
  EXPECT_EQ(Run("del \"" + master + "\""),
            (Lines{master,
                   "The process cannot access the file because it is being used by another "
                   "process."}));
  EXPECT_TRUE(fs::exists(*state.paths.Map(master)));
}

TEST_F(Shell, AWholeQuotedCommandSplitsAPathWithBlanks) {
  // cmd.exe drops the outer quotes, so the blanks of the default data folder split the
  // path and the files stay.
  Touch("Program Files/Data/X.Mdf");
  auto lines = Run("\"del C:\\Program Files\\Data\\X.*\"");
  EXPECT_EQ(lines.at(0), "Could Not Find C:\\Program");
  EXPECT_EQ(lines.at(1), "The system cannot find the path specified.");
  EXPECT_TRUE(fs::exists(Drive("Program Files/Data/X.Mdf")));
  EXPECT_EQ(Run("del \"C:\\Program Files\\Data\\X.*\""), Lines{});
  EXPECT_FALSE(fs::exists(Drive("Program Files/Data/X.Mdf")));
}

TEST_F(Shell, RelativeNamesLandInTheSystemFolder) {
  EXPECT_EQ(Run("mkdir scratch"), Lines{});
  EXPECT_TRUE(fs::is_directory(Drive("WINDOWS/system32/scratch")));
  EXPECT_EQ(Run("del nothing.txt"), Lines{"Could Not Find C:\\WINDOWS\\system32\\nothing.txt"});
}

TEST_F(Shell, RmdirNeedsAnEmptyExistingFolder) {
  int status = -1;
  Touch("t/f.txt");
  EXPECT_EQ(Run("rmdir c:\\t", &status), Lines{"The directory is not empty."});
  EXPECT_NE(status, 0);
  Run("del c:\\t\\*.* /q");
  EXPECT_EQ(Run("rmdir c:\\t", &status), Lines{});
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Run("rmdir c:\\t"), Lines{"The system cannot find the file specified."});
}

TEST_F(Shell, NetShareAddsAndDeletesOnce) {
  Run("mkdir c:\\BKSQLData$");
  int status = -1;
  EXPECT_EQ(Run("net share BKSQLData$=c:\\BKSQLData$", &status),
            (Lines{"BKSQLData$ was shared successfully.", "NULL"}));
  EXPECT_EQ(status, 0);
  ASSERT_TRUE(state.shares.Find("bksqldata$"));
  EXPECT_EQ(state.shares.Find("BKSQLData$")->folder, Drive("BKSQLData$"));
  EXPECT_EQ(Run("net share BKSQLData$=c:\\BKSQLData$", &status).at(2),
            "The name has already been shared.");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(Run("net share BKSQLData$ /del").at(0), "BKSQLData$ was deleted successfully.");
  EXPECT_EQ(Run("net share BKSQLData$ /del").at(0), "This shared resource does not exist.");
  EXPECT_EQ(Run("net share X=c:\\missing").at(2), "The system cannot find the path specified.");
}

TEST_F(Shell, UnknownCommandsAreNotRecognized) {
  int status = 0;
  EXPECT_EQ(Run("format c: /q", &status),
            (Lines{"'format' is not recognized as an internal or external command,",
                   "operable program or batch file."}));
  EXPECT_EQ(status, 1);
}

TEST(Wildcard, MatchesAsCmdDoes) {
  EXPECT_TRUE(WildcardMatch("Sales.Mdf", "sales.*"));
  EXPECT_TRUE(WildcardMatch("Sales", "Sales.*"));
  EXPECT_FALSE(WildcardMatch("Sales_Data.MDF", "Sales.*"));
  EXPECT_TRUE(WildcardMatch("a.bak", "?.BAK"));
  EXPECT_TRUE(WildcardMatch("anything", "*"));
}

TEST_F(Shell, RefusalsAndSharesAsWindowsPrintsThemInEnglishAndChinese) {
  state.shell.denyMkdir = state.shell.denyNetShare = true;
  int status = -1;
  EXPECT_EQ(Run("mkdir c:\\new", &status), Lines{"Access is denied."});
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(fs::exists(Drive("new")));
  EXPECT_EQ(Run("mkdir c:\\WINDOWS"), Lines{"A subdirectory or file c:\\WINDOWS already exists."});
  const Lines denied{"System error 5 has occurred.", "NULL", "Access is denied.", "NULL"};
  EXPECT_EQ(Run("net share X=c:\\WINDOWS", &status), denied);
  EXPECT_EQ(status, 2);
  EXPECT_FALSE(state.shares.Find("X"));
  ASSERT_TRUE(ShareAtStartup(state, "BKSQLData$", "D:\\Old"));
  EXPECT_TRUE(fs::is_directory(scratch.Path() / "d" / "Old"));
  EXPECT_EQ(Run("net share BKSQLData$ /delete"), denied);
  EXPECT_EQ(
      Run("net share bksqldata$", &status),
      (Lines{"Share name        BKSQLData$", "Path              D:\\Old", "Remark",
             "Maximum users     No limit", "Users", "Caching           Manual caching of documents",
             "Permission        Everyone, READ", "NULL", "The command completed successfully.",
             "NULL"}));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Run("net share Nope", &status),
            (Lines{"This shared resource does not exist.", "NULL",
                   "More help is available by typing NET HELPMSG 2310.", "NULL"}));
  EXPECT_EQ(status, 2);

  state.shell = ShellSettings{ShellLanguage::Chinese, false, false};
  EXPECT_EQ(Run("mkdir c:\\WINDOWS"), Lines{"子目录或文件 c:\\WINDOWS 已经存在。"});
  EXPECT_EQ(Run("net share BKSQLData$=c:\\WINDOWS", &status),
            (Lines{"发生系统错误 2118。", "NULL", "该名称已被共享。", "NULL"}));
  EXPECT_EQ(status, 2);
  EXPECT_EQ(Run("net share New=c:\\WINDOWS"), (Lines{"New 共享成功。", "NULL"}));
  EXPECT_EQ(Run("net share New").at(1), "路径              c:\\WINDOWS");
  state.shell.denyNetShare = true;
  EXPECT_EQ(Run("net share New /delete"),
            (Lines{"发生系统错误 5。", "NULL", "拒绝访问。", "NULL"}));
  EXPECT_TRUE(state.shares.Find("New"));
}

TEST_F(Shell, EchoPrintsOrWritesAFileAsCmdDoes) {
  auto read = [&](const std::string& relative) {
    std::ifstream in(Drive(relative), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  };
  int status = -1;
  EXPECT_EQ(Run("echo harrowlander", &status), Lines{"harrowlander"});
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Run("echo  two  blanks \"q\" "), Lines{" two  blanks \"q\" "});
  Run("mkdir c:\\BKSQLData$");
  EXPECT_EQ(
      Run("echo Harrowlander transfer folder> \"c:\\BKSQLData$\\Harrowlander.transfer\"", &status),
      Lines{});
  EXPECT_EQ(status, 0);
  EXPECT_EQ(read("BKSQLData$/Harrowlander.transfer"), "Harrowlander transfer folder\r\n");
  // The blank before ">" belongs to the text; ">>" appends.
  Run("echo a >c:\\BKSQLData$\\m.txt");
  Run("echo b>> c:\\bksqldata$\\M.TXT");
  EXPECT_EQ(read("BKSQLData$/m.txt"), "a \r\nb\r\n");
  Run("echo c> c:\\BKSQLData$\\m.txt");
  EXPECT_EQ(read("BKSQLData$/m.txt"), "c\r\n");

  EXPECT_EQ(Run("echo x> c:\\missing\\m.txt", &status),
            Lines{"The system cannot find the path specified."});
  EXPECT_EQ(status, 1);
  state.shell.denyEcho = true;
  EXPECT_EQ(Run("echo x> c:\\BKSQLData$\\m.txt", &status), Lines{"Access is denied."});
  EXPECT_EQ(status, 1);
  EXPECT_EQ(read("BKSQLData$/m.txt"), "c\r\n");
  state.shell.language = ShellLanguage::Chinese;
  EXPECT_EQ(Run("echo x> c:\\missing\\m.txt"), Lines{"系统找不到指定的路径。"});
}
