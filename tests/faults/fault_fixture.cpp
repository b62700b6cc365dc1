#include "fault_fixture.h"

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace harrowlander::testing {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

void FaultTest::Start(const std::vector<std::string>& faults) {
  m_serverArguments = faults;
  if (HaveSmbd()) {
    m_serverArguments.insert(m_serverArguments.end(),
                             {"--samba-conf", Env("HARROWLANDER_SMB_CONF")});
  }
  CliTest::SetUp();
  environment["HARROWLANDER_NET_PASSWORD"] = Env("HARROWLANDER_SMB_PASSWORD");
}

bool FaultTest::HaveSmbd() const {
  return !Env("HARROWLANDER_SMB_CONF").empty();
}

std::vector<std::string> FaultTest::Remote(std::vector<std::string> args) const {
  args.insert(args.end(),
              {"--net-server", "127.0.0.1", "--net-user", Env("HARROWLANDER_SMB_USER")});
  return args;
}

fs::path FaultTest::ServerFile(const std::string& windowsPath) const {
  fs::path path = server->StateDir() / Lower(windowsPath.substr(0, 1));
  std::string rest = windowsPath.substr(3);
  while (!rest.empty()) {
    const std::size_t slash = rest.find('\\');
    const std::string part = rest.substr(0, slash);
    rest = slash == std::string::npos ? "" : rest.substr(slash + 1);
    fs::path next = path / part;
    if (fs::is_directory(path)) {
      for (const auto& entry : fs::directory_iterator(path)) {
        if (Lower(entry.path().filename().string()) == Lower(part)) {
          next = entry.path();
        }
      }
    }
    path = next;
  }
  return path;
}

bool FaultTest::SentAnyContaining(const std::string& text) const {
  const auto batches = Batches();
  return std::any_of(batches.begin(), batches.end(), [&](const std::string& batch) {
    return batch.find(text) != std::string::npos;
  });
}

bool FaultTest::WaitForBatch(const std::string& text, std::chrono::seconds limit) const {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (SentAnyContaining(text)) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

fs::path FaultTest::Destination() const {
  const fs::path folder = Work() / "dest";
  fs::create_directories(folder);
  return folder;
}

std::vector<std::string> FaultTest::Names(const fs::path& folder) const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    // A backup's hash beside it belongs to it; one without its backup is a leftover.
    const fs::path name = entry.path().filename();
    if (name.extension() == ".sha256" && fs::exists(folder / name.stem())) {
      continue;
    }
    names.push_back(name.string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

fs::path FaultTest::OlderBackup(const std::string& name) const {
  const fs::path file = Destination() / name;
  std::ofstream(file) << kOlderBytes;
  return file;
}

std::vector<std::string> FaultTest::LongCopyFaults() {
  return {"--delay", "3000,net share .*="};
}

std::unique_ptr<CliProcess> FaultTest::StartLongCopy(std::vector<std::string> args,
                                                     std::uint64_t bytes, bool awaitProgress) {
  args.push_back("--json");
  auto process = std::make_unique<CliProcess>(Command(Remote(args)), environment, "", Work());
  if (!WaitForBatch("net share ")) {
    ADD_FAILURE() << "the share was never asked for";
    return nullptr;
  }
  const fs::path file = ServerFile("C:\\BKSQLData$\\Sales.bak");
  if (!fs::exists(file)) {
    ADD_FAILURE() << file << " is not there";
    return nullptr;
  }
  fs::resize_file(file, bytes);
  if (awaitProgress && !process->ReadUntil("\"type\":\"progress\"")) {
    ADD_FAILURE() << "the copy never reported progress";
    return nullptr;
  }
  return process;
}

void FaultTest::ExpectNothingLeftOnServer() const {
  EXPECT_FALSE(fs::exists(ServerFile("C:\\BKSQLData$")));
  EXPECT_FALSE(ShareRecorded()) << ReadFile(server->StateDir() / "shares.txt");
}

bool FaultTest::ShareRecorded() const {
  return Contains(Lower(ReadFile(server->StateDir() / "shares.txt")), "bksqldata$");
}

std::string FaultTest::ResultField(const CliResult& run, const std::string& key) {
  const auto lines = run.OutLines();
  return lines.empty() ? "" : JsonField(lines.back(), key);
}

CliResult FaultTest::SignalAndWait(CliProcess& run, int signal, const std::string& when,
                                   std::chrono::steady_clock::duration& took) {
  const auto signalled = std::chrono::steady_clock::now();
  ::kill(run.Pid(), signal);
  CliResult result = run.Wait();
  took = std::chrono::steady_clock::now() - signalled;
  const double seconds = std::chrono::duration<double>(took).count();
  std::printf("[ stop time ] SIG%s %s: %.2f s from the signal to the end\n", ::sigabbrev_np(signal),
              when.c_str(), seconds);
  std::fflush(stdout);
  ::testing::Test::RecordProperty("stop_seconds", std::to_string(seconds));
  return result;
}

}  // namespace harrowlander::testing
