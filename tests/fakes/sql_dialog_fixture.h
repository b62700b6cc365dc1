#pragma once

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "fakes/dialog_fixture.h"

namespace harrowlander::testing {

// A dialog opened on fake ports, with a timeline of what the user and the server see:
// the data-access calls, the status control's texts, message boxes, beeps and pauses.
class SqlDialogTest : public DialogTest {
 protected:
  static constexpr const char* kMasterConnection =
      "connection open Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=sa;"
      "Initial Catalog=master;Data Source=(local)";

  void SetUp() override {
    Open();
    fake.window.events.clear();
    // The server's shell says it made the transfer share; the transfer lock is free.
    fake.server.answers[kMakeShareStatement] = {{"output"}, {{kShareMade}, {std::nullopt}}};
    fake.server.answers[kTakeLock] = {{"result"}, {{"0"}}};
  }

  static constexpr const char* kTakeLock =
      "declare @result int exec @result=sp_getapplock @Resource='BKSQLData$',"
      "@LockMode='Exclusive',@LockOwner='Session',@LockTimeout=0 select @result as result";
  static constexpr const char* kReleaseLock =
      "exec sp_releaseapplock @Resource='BKSQLData$',@LockOwner='Session'";
  static constexpr const char* kWriteMarker =
      R"(xp_cmdshell 'echo Harrowlander transfer folder> "c:\BKSQLData$\Harrowlander.transfer"')";
  static constexpr const char* kDeleteMarker =
      R"(xp_cmdshell 'del "c:\BKSQLData$\Harrowlander.transfer" /q')";

  // The timeline lines of the transfer lock taken at the first try, and released.
  static std::vector<std::string> TakeLock() {
    return {std::string("execute ") + kTakeLock, "result eof", "result collect result",
            "result close", "release result"};
  }
  static std::vector<std::string> ReleaseLock() { return Execute(kReleaseLock); }

  static constexpr const char* kMakeShareStatement =
      R"(xp_cmdshell 'net share BKSQLData$=c:\BKSQLData$')";
  static constexpr const char* kShareMade = "BKSQLData$ was shared successfully.";

  std::vector<std::string> Timeline() const {
    std::vector<std::string> timeline;
    for (const std::string& event : fake.window.events) {
      const bool otherControlText = event.starts_with("text ") && !event.starts_with("text 1008 ");
      if (!otherControlText && !event.starts_with("enable ") && !event.starts_with("focus ")) {
        timeline.push_back(event);
      }
    }
    return timeline;
  }

  // The timeline after the first line that begins with `prefix`.
  std::vector<std::string> After(const std::string& prefix) const {
    std::vector<std::string> timeline = Timeline();
    for (size_t i = 0; i < timeline.size(); ++i) {
      if (timeline[i].starts_with(prefix)) {
        return std::vector<std::string>(timeline.begin() + static_cast<long>(i) + 1,
                                        timeline.end());
      }
    }
    return {};
  }

  // The timeline lines of one statement that returns no rows.
  static std::vector<std::string> Execute(const std::string& statement) {
    return {"execute " + statement, "release result"};
  }

  // The timeline lines of one shell command whose output (`rows` of it, the final
  // empty one included) is read.
  static std::vector<std::string> ShellCommand(const std::string& statement, int rows = 0) {
    std::vector<std::string> lines = {"execute " + statement};
    for (int i = 0; i < rows; ++i) {
      lines.insert(lines.end(), {"result eof", "result collect output", "result move next"});
    }
    lines.insert(lines.end(), {"result eof", "result close", "release result"});
    return lines;
  }

  static std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
      all.insert(all.end(), part.begin(), part.end());
    }
    return all;
  }

  // Makes each call of a normal run fail in turn (its first occurrence) and checks
  // that the run stops right there: result 0, the failure's text on the status line,
  // and afterwards nothing but releases, the report and `afterReport`.
  void ExpectEveryCallCanFail(const std::vector<std::string>& normalRun,
                              const std::function<void()>& arrange, const std::function<int()>& run,
                              const std::vector<std::string>& afterReport = {}) {
    for (size_t failing = 0; failing < normalRun.size(); ++failing) {
      const std::string& line = normalRun[failing];
      const bool canFail = !line.starts_with("create ") && !line.starts_with("release ") &&
                           !line.starts_with("text ") && !line.starts_with("message box ") &&
                           !line.starts_with("reset ");
      if (!canFail || std::find(normalRun.begin(), normalRun.begin() + static_cast<long>(failing),
                                line) != normalRun.begin() + static_cast<long>(failing)) {
        continue;
      }
      fake.window.events.clear();
      fake.server.failures = {{line, "Msg 50000: injected failure at " + line + " (100%)"}};
      arrange();
      EXPECT_EQ(run(), 0) << line;
      std::vector<std::string> timeline = Timeline();
      std::vector<std::string> prefix(normalRun.begin(),
                                      normalRun.begin() + static_cast<long>(failing) + 1);
      ASSERT_GE(timeline.size(), prefix.size()) << line;
      EXPECT_EQ(std::vector<std::string>(timeline.begin(),
                                         timeline.begin() + static_cast<long>(prefix.size())),
                prefix)
          << line;
      std::vector<std::string> tail;
      for (size_t i = prefix.size(); i < timeline.size(); ++i) {
        if (!timeline[i].starts_with("release ")) {
          tail.push_back(timeline[i]);
        }
      }
      std::vector<std::string> expectedTail = {"text 1008 = Msg 50000: injected failure at " +
                                               line + " (100%)"};
      expectedTail.insert(expectedTail.end(), afterReport.begin(), afterReport.end());
      EXPECT_EQ(tail, expectedTail) << line;
      EXPECT_EQ(dlg.m_strStatus, "Msg 50000: injected failure at " + line + " (100%)");
    }
    fake.server.failures.clear();
  }
};

}  // namespace harrowlander::testing
