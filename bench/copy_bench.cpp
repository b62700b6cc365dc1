// The file copy of a backup through the product's adapters against peer tools, in one
// run: a file pulled from an SMB share (UncFileSystem) against
// `smbclient -c 'iosize 1048576; get ...'`, and a local copy (PosixFileSystem) against
// `cp`. Rounds are interleaved; prints the median of each and the speed ratio
// (peer's time / product's time; 1.0 is as fast as the peer). Run it through
// bench/copy_bench.sh, which provides the private smbd and its account.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/posix_file_system.h"
#include "platform/smb/smb_client.h"
#include "platform/smb/smb_network_session.h"
#include "platform/smb/unc_file_system.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

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

// Each copy starts with the destination gone and no dirty pages left by the one
// before, so that no copy pays for another's write-back.
double Seconds(const fs::path& destination, const std::function<bool()>& run) {
  fs::remove(destination);
  sync();
  const auto start = Clock::now();
  if (!run()) {
    std::fprintf(stderr, "copy_bench: a copy failed\n");
    std::exit(1);
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  using namespace harrowlander;
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
  const std::size_t megabytes = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 1024;
  const std::string conf = Env("HARROWLANDER_SMB_CONF");
  if (conf.empty()) {
    std::fprintf(stderr, "copy_bench: run it through bench/copy_bench.sh\n");
    return 2;
  }

  std::string pattern = "/tmp/harrowlander-copybench-XXXXXX";
  const fs::path dir = mkdtemp(pattern.data());
  const fs::path share = dir / "share";
  const fs::path out = dir / "out";
  fs::create_directories(share);
  fs::create_directories(out);
  fs::permissions(share, fs::perms::all);
  WriteTestFile(share / "big.bin", megabytes);
  const fs::path auth = dir / "auth";
  std::ofstream(auth) << "username = " << Env("HARROWLANDER_SMB_USER")
                      << "\npassword = " << Env("HARROWLANDER_SMB_PASSWORD") << "\n";
  Shell("net -s '" + conf + "' conf addshare bench '" + share.string() +
        "' writeable=y guest_ok=n >/dev/null 2>&1");
  Shell("net -s '" + conf + "' conf setparm bench 'force user' root >/dev/null 2>&1");

  smb::SmbClient client;
  smb::SmbNetworkSession network(client);
  posix::PosixFileSystem local;
  smb::UncFileSystem files(local, client);
  if (!network.AddNetUse(R"(\\127.0.0.1\bench)", Env("HARROWLANDER_SMB_USER"),
                         Env("HARROWLANDER_SMB_PASSWORD"))) {
    std::fprintf(stderr, "copy_bench: log-on to the share refused\n");
    return 1;
  }
  const auto ignore = [](std::uint64_t, std::uint64_t) {};

  std::vector<double> productSmb, peerSmb, productLocal, peerLocal;
  const std::string source = (share / "big.bin").string();
  const fs::path a = out / "a.bin", b = out / "b.bin", c = out / "c.bin", d = out / "d.bin";
  for (int round = 0; round < rounds; ++round) {
    // The peer goes first in every other round.
    std::vector<std::function<void()>> measures = {
        [&] {
          productSmb.push_back(Seconds(a, [&] {
            return files.CopyFile(R"(\\127.0.0.1\bench\big.bin)", a.string(), ignore);
          }));
        },
        [&] {
          peerSmb.push_back(Seconds(b, [&] {
            return Shell("smbclient //127.0.0.1/bench -A '" + auth.string() +
                         "' -c 'iosize 1048576; get big.bin " + b.string() + "' >/dev/null 2>&1");
          }));
        },
        [&] {
          productLocal.push_back(
              Seconds(c, [&] { return local.CopyFile(source, c.string(), ignore); }));
        },
        [&] {
          peerLocal.push_back(
              Seconds(d, [&] { return Shell("cp '" + source + "' '" + d.string() + "'"); }));
        },
    };
    if (round % 2 == 1) {
      std::swap(measures[0], measures[1]);
      std::swap(measures[2], measures[3]);
    }
    for (const auto& measure : measures) {
      measure();
    }
  }
  network.DeleteNetUse(R"(\\127.0.0.1\bench)");
  Shell("net -s '" + conf + "' conf delshare bench >/dev/null 2>&1");
  fs::remove_all(dir);

  std::printf("copy of %zu MiB, median of %d interleaved rounds\n", megabytes, rounds);
  std::printf("  SMB to local: product %.3f s, smbclient (iosize 1 MiB) %.3f s, ratio %.2f\n",
              Median(productSmb), Median(peerSmb), Median(peerSmb) / Median(productSmb));
  std::printf("  local:        product %.3f s, cp %.3f s, ratio %.2f\n", Median(productLocal),
              Median(peerLocal), Median(peerLocal) / Median(productLocal));
  return 0;
}
