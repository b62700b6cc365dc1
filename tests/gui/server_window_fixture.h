#pragma once

#include <gtest/gtest.h>
#include <wx/odcombo.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "main_window_fixture.h"
#include "server_process.h"

namespace harrowlander::wx::testing {

// The main window against a seeded testserver of its own on loopback, the server box
// and the SQL password filled in as a person would fill them.
class ServerWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    std::vector<std::string> arguments{"--seed", "--log",
                                       (m_scratch.Path() / "batches.log").string()};
    for (std::string& argument : ServerArguments()) {
      arguments.push_back(std::move(argument));
    }
    server = std::make_unique<ServerProcess>(std::move(arguments));
    ASSERT_TRUE(server->Ready()) << "testserver did not start";
    MainWindowTest::SetUp();
    adapters->window.SetControlText(IDC_SERVER, "127.0.0.1," + std::to_string(server->Port()));
    C(IDC_SQL_PASSWORD).SetFocus();
    driver.Type(ServerProcess::kSaPassword);
  }

  // Fault switches and other arguments the server starts with.
  virtual std::vector<std::string> ServerArguments() { return {}; }

  std::vector<std::string> DroppedDatabaseList() {
    driver.ClickRightEnd(C(IDC_DATABASE));
    auto& combo = dynamic_cast<wxComboCtrl&>(C(IDC_DATABASE));
    EXPECT_TRUE(driver.WaitFor([&] { return combo.IsPopupShown(); }));
    std::vector<std::string> items = adapters->window.GetComboItems(IDC_DATABASE);
    combo.Dismiss();
    driver.Pump(100);
    return items;
  }

  // Whether a statement that reached the server holds the text.
  bool ServerReceived(const std::string& text) {
    std::ifstream log(m_scratch.Path() / "batches.log");
    for (std::string line; std::getline(log, line);) {
      if (line.find(text) != std::string::npos) {
        return true;
      }
    }
    return false;
  }

  ScratchDir m_scratch;
  std::unique_ptr<ServerProcess> server;
};

}  // namespace harrowlander::wx::testing
