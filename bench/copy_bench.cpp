// The file copy of a backup through the product's adapters against peer tools, in one
// run, on loopback: a file pulled from an SMB share (UncFileSystem) against
// `smbclient -c 'iosize 1048576; get ...'`, one pushed to the share against smbclient's
// put, and a local copy (PosixFileSystem) against `cp`. The product's copies to the
// workstation end with the file on disk (synced), so the peers' are followed by a sync
// of their file. Rounds are interleaved; prints the median of each and the speed ratio
// (peer's time / product's time; 1.0 is as fast as the peer). Run it through
// bench/copy_bench.sh, which provides the private smbd and its account.
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

int main(int argc, char** argv) {
  using namespace harrowlander;
  using namespace harrowlander::bench;
  namespace fs = std::filesystem;
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
  const std::size_t megabytes = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 1024;
  if (Env("HARROWLANDER_SMB_CONF").empty()) {
    std::fprintf(stderr, "copy_bench: run it through bench/copy_bench.sh\n");
    return 2;
  }

  BenchShare share("bench");
  const fs::path source = share.Folder() / "big.bin";
  const fs::path localSource = share.Local() / "up.bin";
  WriteTestFile(source, megabytes);
  WriteTestFile(localSource, megabytes);
  const std::string smbclient =
      "smbclient //127.0.0.1/bench -A '" + share.Authentication().string() + "' -c ";

  smb::SmbClient client;
  smb::SmbNetworkSession network(client);
  posix::PosixFileSystem local;
  smb::UncFileSystem files(local, client);
  if (!network.AddNetUse(R"(\\127.0.0.1\bench)", Env("HARROWLANDER_SMB_USER"),
                         Env("HARROWLANDER_SMB_PASSWORD"))) {
    std::fprintf(stderr, "copy_bench: log-on to the share refused\n");
    return 1;
  }
  const CopyProgressCallback ignore = [](std::uint64_t, std::uint64_t) {};

  std::vector<double> productDown, peerDown, productUp, peerUp, productLocal, peerLocal;
  const fs::path out = share.Local();
  const fs::path a = out / "a.bin", b = out / "b.bin", c = out / "c.bin", d = out / "d.bin";
  const fs::path e = share.Folder() / "e.bin", f = share.Folder() / "f.bin";
  for (int round = 0; round < rounds; ++round) {
    std::vector<std::function<void()>> measures = {
        [&] {
          productDown.push_back(Seconds(a, [&] {
            return testing::CopyWith(files, R"(\\127.0.0.1\bench\big.bin)", a.string(), ignore);
          }));
        },
        [&] {
          peerDown.push_back(Seconds(b, [&] {
            return Shell(smbclient + "'iosize 1048576; get big.bin " + b.string() +
                         "' >/dev/null 2>&1 && sync '" + b.string() + "'");
          }));
        },
        [&] {
          productUp.push_back(Seconds(e, [&] {
            return testing::CopyWith(files, localSource.string(), R"(\\127.0.0.1\bench\e.bin)",
                                     ignore);
          }));
        },
        [&] {
          peerUp.push_back(Seconds(f, [&] {
            return Shell(smbclient + "'iosize 1048576; put " + localSource.string() +
                         " f.bin' >/dev/null 2>&1");
          }));
        },
        [&] {
          productLocal.push_back(Seconds(
              c, [&] { return testing::CopyWith(local, source.string(), c.string(), ignore); }));
        },
        [&] {
          peerLocal.push_back(Seconds(d, [&] {
            return Shell("cp '" + source.string() + "' '" + d.string() + "' && sync '" +
                         d.string() + "'");
          }));
        },
    };
    // The peer goes first in every other round.
    if (round % 2 == 1) {
      for (std::size_t i = 0; i < measures.size(); i += 2) {
        std::swap(measures[i], measures[i + 1]);
      }
    }
    for (const auto& measure : measures) {
      measure();
    }
  }
  network.DeleteNetUse(R"(\\127.0.0.1\bench)");

  std::printf("copy of %zu MiB, median of %d interleaved rounds\n", megabytes, rounds);
  std::printf(
      "  SMB to local: product %.3f s, smbclient get (iosize 1 MiB, then sync) %.3f s, "
      "ratio %.2f\n",
      Median(productDown), Median(peerDown), Median(peerDown) / Median(productDown));
  std::printf("  local to SMB: product %.3f s, smbclient put (iosize 1 MiB) %.3f s, ratio %.2f\n",
              Median(productUp), Median(peerUp), Median(peerUp) / Median(productUp));
  std::printf("  local:        product %.3f s, cp (then sync) %.3f s, ratio %.2f\n",
              Median(productLocal), Median(peerLocal), Median(peerLocal) / Median(productLocal));
  return 0;
}
