// Delivers one message with an attachment of each given size (MB) to a sink on loopback, once
// with our SMTP client and once with curl's SMTP upload of the same file as a MIME attachment,
// and prints wall time, throughput and peak memory of each, and their ratio.
//
//   build/bench/bench_smtp [MB ...]        (default: 1 20)
//
// Each sender runs as a child process of its own, so its peak memory is its own.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support.h"

namespace {

using zelvaro::bench::Run;

void report(const char* who, double megabytes, const Run& run, size_t wireBytes) {
  std::printf("  %-8s %7.3f s wall %7.3f s cpu %6.2f MB/s %6.1f MB peak %10zu bytes of DATA%s\n",
              who, run.seconds, run.cpuSeconds, megabytes / run.seconds, run.peakKb / 1024.0,
              wireBytes, run.ok ? "" : "  FAILED");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--engine") {
    return zelvaro::bench::sendWithEngine(argc, argv);
  }

  std::vector<double> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atof(argv[i]));
  if (sizes.empty()) sizes = {1, 20};

  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("zelvaro-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  zelvaro::bench::Sink sink;
  const std::string port = std::to_string(sink.port());
  unsigned seed = 1999;

  for (double megabytes : sizes) {
    const size_t size = static_cast<size_t>(megabytes * 1024 * 1024);
    const std::string file = (folder / "turn.m1").string();
    zelvaro::bench::writeRandomFile(file, size, seed++);
    std::printf("%g MB attachment:\n", megabytes);
    const Run ours = zelvaro::bench::runChild({self, "--engine", port, file});
    report("zelvaro", megabytes, ours, sink.lastMessageBytes());
    const Run curl = zelvaro::bench::runChild(
        zelvaro::bench::curlUpload(sink.port(), "player@example.org", {file}));
    report("curl", megabytes, curl, sink.lastMessageBytes());
    std::printf("  zelvaro/curl: %.2fx the time, %.2fx the memory\n", ours.seconds / curl.seconds,
                static_cast<double>(ours.peakKb) / static_cast<double>(curl.peakKb));
  }
  std::filesystem::remove_all(folder);
  return 0;
}
