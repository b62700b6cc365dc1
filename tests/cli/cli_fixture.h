#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli_process.h"
#include "server_process.h"

namespace harrowlander::testing {

// A variable of the test's environment, "" when it is not set.
inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "" : value;
}

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// harrowlander-cli against a seeded testserver of its own on loopback, signed in as sa
// through the environment, with a scratch directory as its working directory and as
// its home (where the window would keep its settings).
class CliTest : public ::testing::Test {
 protected:
  // Extra testserver arguments (fault switches, browser, Samba).
  virtual std::vector<std::string> ServerArguments() { return {}; }

  void SetUp() override {
    std::vector<std::string> args = {"--seed", "--log", BatchLog().string()};
    for (const std::string& extra : ServerArguments()) {
      args.push_back(extra);
    }
    server = std::make_unique<ServerProcess>(args);
    ASSERT_TRUE(server->Ready()) << "testserver did not start";
    std::filesystem::create_directories(Home() / ".cache");
    environment = {{"HOME", Home().string()},
                   {"XDG_CACHE_HOME", (Home() / ".cache").string()},
                   {"HARROWLANDER_SQL_PASSWORD", ServerProcess::kSaPassword}};
  }

  // The command and its options, pointed at the server.
  std::vector<std::string> Command(std::vector<std::string> args) const {
    args.insert(args.end(), {"--server", "127.0.0.1," + std::to_string(server->Port()),
                             "--connect-timeout", "5"});
    return args;
  }

  CliResult Run(const std::vector<std::string>& args,
                const std::map<std::string, std::string>& extraEnvironment = {}) {
    std::map<std::string, std::string> env = environment;
    for (const auto& [name, value] : extraEnvironment) {
      env[name] = value;
    }
    return RunCli(Command(args), env, "", Work());
  }

  std::vector<std::string> Batches() const {
    std::vector<std::string> batches;
    std::ifstream log(BatchLog());
    for (std::string line; std::getline(log, line);) {
      batches.push_back(JsonField(line, "sql"));
    }
    return batches;
  }

  bool Sent(const std::string& batch) const {
    const auto batches = Batches();
    return std::find(batches.begin(), batches.end(), batch) != batches.end();
  }

  std::filesystem::path BatchLog() const { return m_scratch.Path() / "batches.log"; }
  std::filesystem::path Home() const { return m_scratch.Path() / "home"; }
  // The working directory of every run.
  std::filesystem::path Work() const { return m_scratch.Path(); }

  static std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  ScratchDir m_scratch;
  std::unique_ptr<ServerProcess> server;
  std::map<std::string, std::string> environment;
};

}  // namespace harrowlander::testing
