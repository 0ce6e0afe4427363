// Delivers one message with an attachment of each given size (MB) to a sink on loopback, once
// with our SMTP client and once with curl's SMTP upload of the same file as a MIME attachment,
// and prints wall time, throughput and peak memory of each, and their ratio. Then the same over
// TLS from the first byte (curl's smtps://), with a throw-away CA made by openssl.
//
//   build/bench/bench_smtp [MB ...]        (default: 1 20)
//
// Each sender runs as a child process of its own, so its peak memory is its own.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

namespace {

using zelvaro::bench::Run;

void report(const char* who, double megabytes, const Run& run, size_t wireBytes) {
  std::printf("  %-8s %7.3f s wall %7.3f s cpu %6.2f MB/s %6.1f MB peak %10zu bytes of DATA%s\n",
              who, run.seconds, run.cpuSeconds, megabytes / run.seconds, run.peakKb / 1024.0,
              wireBytes, run.ok ? "" : "  FAILED");
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zelvaro;
  if (argc >= 4 && std::string(argv[1]) == "--engine") return bench::sendWithEngine(argc, argv);

  std::vector<double> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atof(argv[i]));
  if (sizes.empty()) sizes = {1, 20};

  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const test::TempDir folder;
  const test::TestCertificates certificates;
  bench::Sink plain;
  bench::Sink tls(certificates.certificateFile(), certificates.keyFile());
  unsigned seed = 1999;

  // caFile empty: plain SMTP.
  auto compare = [&](const char* how, bench::Sink& sink, double megabytes, const std::string& file,
                     const std::string& caFile) {
    std::printf("%g MB attachment, %s:\n", megabytes, how);
    std::vector<std::string> engine{self, "--engine", std::to_string(sink.port()), file};
    if (!caFile.empty()) engine.push_back(caFile);
    const Run ours = bench::runChild(engine);
    report("zelvaro", megabytes, ours, sink.lastMessageBytes());
    const Run curl =
        bench::runChild(bench::curlUpload(sink.port(), "player@example.org", {file}, caFile));
    report("curl", megabytes, curl, sink.lastMessageBytes());
    std::printf("  zelvaro/curl: %.2fx the time, %.2fx the memory\n", ours.seconds / curl.seconds,
                static_cast<double>(ours.peakKb) / static_cast<double>(curl.peakKb));
  };
  for (double megabytes : sizes) {
    const std::string file = folder.file("turn.m1");
    bench::writeRandomFile(file, static_cast<size_t>(megabytes * 1024 * 1024), seed++);
    compare("plain SMTP", plain, megabytes, file, {});
    compare("TLS from the first byte", tls, megabytes, file, certificates.caFile());
  }
  return 0;
}
