#include "copy_bench_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>

namespace harrowlander::bench {

namespace fs = std::filesystem;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "" : value;
}

bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

void WriteTestFile(const fs::path& path, std::size_t megabytes) {
  std::vector<char> block(1 << 20);
  unsigned seed = 12345;
  for (char& c : block) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  std::ofstream out(path, std::ios::binary);
  for (std::size_t i = 0; i < megabytes; ++i) {
    block[0] = static_cast<char>(i);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
}

BenchShare::BenchShare(const std::string& name) : m_name(name) {
  std::string pattern = "/tmp/harrowlander-bench-XXXXXX";
  m_root = mkdtemp(pattern.data());
  m_folder = m_root / "share";
  m_local = m_root / "local";
  m_authentication = m_root / "auth";
  fs::create_directories(m_folder);
  fs::create_directories(m_local);
  fs::permissions(m_folder, fs::perms::all);
  std::ofstream(m_authentication) << "username = " << Env("HARROWLANDER_SMB_USER")
                                  << "\npassword = " << Env("HARROWLANDER_SMB_PASSWORD") << "\n";
  const std::string net = "net -s '" + Env("HARROWLANDER_SMB_CONF") + "' conf ";
  Shell(net + "addshare " + name + " '" + m_folder.string() +
        "' writeable=y guest_ok=n >/dev/null 2>&1");
  Shell(net + "setparm " + name + " 'force user' root >/dev/null 2>&1");
}

BenchShare::~BenchShare() {
  Shell("net -s '" + Env("HARROWLANDER_SMB_CONF") + "' conf delshare " + m_name +
        " >/dev/null 2>&1");
  fs::remove_all(m_root);
}

double Seconds(const fs::path& destination, const std::function<bool()>& copy) {
  fs::remove(destination);
  sync();
  const auto start = std::chrono::steady_clock::now();
  if (!copy()) {
    std::fprintf(stderr, "copy benchmark: a copy failed (%s)\n", destination.c_str());
    std::exit(1);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace harrowlander::bench
