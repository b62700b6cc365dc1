// The copy over links with latency: the product's UncFileSystem against smbclient, both
// through delay_proxy in front of the private smbd, at one-way delays of 0, 1, 2 and
// 5 ms. Downloads (Backup's direction, smbclient's get) and uploads (Restore's,
// smbclient's put), smbclient with 1 MiB transfers, its fastest setting over these
// links (its default of the server's largest read is slower at every delay); rounds
// interleaved, the median of each, ratio = smbclient's time /
// the product's. The product's download ends with the file on disk (synced), so
// smbclient's is followed by a sync of its file too. Run it through
// bench/copy_latency.sh, which provides the smbd and its account.
// Usage: copy_latency_bench DELAY_PROXY [ROUNDS] [MEGABYTES]
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "copy_bench_support.h"
#include "fakes/copy_with_callback.h"
#include "platform/posix/posix_file_system.h"
#include "platform/smb/smb_client.h"
#include "platform/smb/smb_network_session.h"
#include "platform/smb/unc_file_system.h"

extern char** environ;

namespace {

using namespace harrowlander;
using namespace harrowlander::bench;
namespace fs = std::filesystem;

constexpr int kDelays[] = {0, 1, 2, 5};
constexpr int kProxyPort = 4460;

// The delay proxy as a child process, stopped by its PID.
class DelayProxy {
 public:
  DelayProxy(const std::string& program, int delay) {
    int out[2];
    if (pipe(out) != 0) {
      std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string port = std::to_string(kProxyPort), target = "445", ms = std::to_string(delay);
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(port.c_str()),
                    const_cast<char*>(target.c_str()), const_cast<char*>(ms.c_str()), nullptr};
    if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, environ) != 0) {
      std::fprintf(stderr, "copy_latency_bench: cannot start %s\n", program.c_str());
      std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char ready[16] = {};
    if (read(out[0], ready, sizeof ready - 1) <= 0) {
      std::fprintf(stderr, "copy_latency_bench: the delay proxy did not start\n");
      std::exit(1);
    }
    close(out[0]);
  }
  ~DelayProxy() {
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
  }

 private:
  pid_t m_pid = -1;
};

struct Times {
  std::vector<double> product, peer;
};

void PrintDirection(const char* title, std::size_t megabytes, int rounds,
                    const std::vector<Times>& times) {
  std::printf("%s, %zu MiB, median of %d interleaved rounds\n", title, megabytes, rounds);
  double least = 1e9;
  for (std::size_t i = 0; i < times.size(); ++i) {
    const double product = Median(times[i].product), peer = Median(times[i].peer);
    least = std::min(least, peer / product);
    std::printf("delay %d ms: product %.3f s, smbclient %.3f s, ratio %.2f\n", kDelays[i], product,
                peer, peer / product);
  }
  std::printf("min ratio %.2f\n", least);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || Env("HARROWLANDER_SMB_CONF").empty()) {
    std::fprintf(stderr, "copy_latency_bench: run it through bench/copy_latency.sh\n");
    return 2;
  }
  const std::string proxyProgram = argv[1];
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::size_t megabytes = argc > 3 ? static_cast<std::size_t>(std::atoi(argv[3])) : 256;

  BenchShare share("latency");
  WriteTestFile(share.Folder() / "down.bin", megabytes);
  WriteTestFile(share.Local() / "up.bin", megabytes);
  const std::string shareUnc = R"(\\127.0.0.1\latency)";
  const std::string smbclient = "smbclient //127.0.0.1/latency -p " + std::to_string(kProxyPort) +
                                " -A '" + share.Authentication().string() + "' -c ";
  const fs::path productDown = share.Local() / "product.bin", peerDown = share.Local() / "peer.bin";
  const fs::path productUp = share.Folder() / "product.bin", peerUp = share.Folder() / "peer.bin";
  const CopyProgressCallback ignore = [](std::uint64_t, std::uint64_t) {};

  std::vector<Times> downloads, uploads;
  for (const int delay : kDelays) {
    DelayProxy proxy(proxyProgram, delay);
    smb::SmbClient client(kProxyPort);
    smb::SmbNetworkSession network(client);
    posix::PosixFileSystem local;
    smb::UncFileSystem files(local, client);
    if (!network.AddNetUse(shareUnc, Env("HARROWLANDER_SMB_USER"),
                           Env("HARROWLANDER_SMB_PASSWORD"))) {
      std::fprintf(stderr, "copy_latency_bench: log-on through the proxy refused\n");
      return 1;
    }
    Times down, up;
    for (int round = 0; round < rounds; ++round) {
      std::vector<std::function<void()>> measures = {
          [&] {
            down.product.push_back(Seconds(productDown, [&] {
              return testing::CopyWith(files, shareUnc + "\\down.bin", productDown.string(),
                                       ignore);
            }));
          },
          [&] {
            down.peer.push_back(Seconds(peerDown, [&] {
              return Shell(smbclient + "'iosize 1048576; get down.bin " + peerDown.string() +
                           "' >/dev/null 2>&1 && sync '" + peerDown.string() + "'");
            }));
          },
          [&] {
            up.product.push_back(Seconds(productUp, [&] {
              return testing::CopyWith(files, (share.Local() / "up.bin").string(),
                                       shareUnc + "\\product.bin", ignore);
            }));
          },
          [&] {
            up.peer.push_back(Seconds(peerUp, [&] {
              return Shell(smbclient + "'iosize 1048576; put " +
                           (share.Local() / "up.bin").string() + " peer.bin' >/dev/null 2>&1");
            }));
          },
      };
      // The peer goes first in every other round.
      if (round % 2 == 1) {
        std::swap(measures[0], measures[1]);
        std::swap(measures[2], measures[3]);
      }
      for (const auto& measure : measures) {
        measure();
      }
    }
    network.DeleteNetUse(shareUnc);
    downloads.push_back(down);
    uploads.push_back(up);
  }

  PrintDirection("download (Backup; smbclient get with iosize 1 MiB, then sync of its file)",
                 megabytes, rounds, downloads);
  PrintDirection("upload (Restore; smbclient put with iosize 1 MiB)", megabytes, rounds, uploads);
  return 0;
}
