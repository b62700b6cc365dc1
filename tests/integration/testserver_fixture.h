#pragma once

#include <memory>
#include <string>
#include <vector>

#include "server_dialog_fixture.h"
#include "server_kind.h"
#include "server_process.h"

namespace harrowlander::testing {

// The dialog on the real ODBC adapter, talking to a testserver of its own on
// loopback (a fresh state directory, the demo databases seeded, every batch logged).
class TestServerTest : public ServerDialogTest {
 protected:
  // Extra testserver arguments (fault switches, listener, browser).
  virtual std::vector<std::string> ServerArguments() { return {}; }

  void SetUp() override {
    const auto batchLog = m_scratch.Path() / "batches.log";
    std::vector<std::string> args = {"--seed", "--log", batchLog.string()};
    for (const std::string& extra : ServerArguments()) {
      args.push_back(extra);
    }
    server = std::make_unique<ServerProcess>(args);
    ASSERT_TRUE(server->Ready()) << "testserver did not start";
    UseServer("127.0.0.1," + std::to_string(server->Port()), ServerProcess::kSaPassword, batchLog,
              server->StateDir());
  }

  ScratchDir m_scratch;
  std::unique_ptr<ServerProcess> server;
};

// The same, once for each kind of server the test is instantiated with.
class ServerKindTest : public TestServerTest, public ::testing::WithParamInterface<ServerKind> {
 protected:
  std::vector<std::string> ServerArguments() override { return GetParam().Arguments(); }
};

}  // namespace harrowlander::testing
