// Delivers one message with an attachment of each given size (MB) to a sink on loopback, once
// with our SMTP client and once with curl's SMTP upload of the same file as a MIME attachment,
// and prints wall time, throughput and peak memory of each, and their ratio.
//
//   build/bench/bench_smtp [MB ...]        (default: 1 20)
//
// Each sender runs as a child process of its own, so its peak memory is its own.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/application.h"
#include "platform/eventloop.h"
#include "send/smtp_cli.h"

extern char** environ;

namespace {

// ---- the sink: a minimal SMTP server that reads everything and keeps nothing ----

class Sink {
 public:
  Sink() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      std::perror("sink");
      std::exit(1);
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }

  ~Sink() {
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    thread_.join();
  }

  int port() const { return port_; }
  // Bytes between DATA and the end-of-data line of the last message.
  size_t lastMessageBytes() const { return lastBytes_; }

 private:
  void serve() {
    for (;;) {
      const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) return;
      session(fd);
      ::close(fd);
    }
  }

  static void say(int fd, const char* text) { (void)!::write(fd, text, std::strlen(text)); }

  void session(int fd) {
    std::vector<char> buffer(256 * 1024);
    std::string pending;
    bool inData = false;
    size_t dataBytes = 0;
    say(fd, "220 sink ready\r\n");
    for (;;) {
      const ssize_t count = ::read(fd, buffer.data(), buffer.size());
      if (count <= 0) return;
      pending.append(buffer.data(), static_cast<size_t>(count));
      for (;;) {
        if (inData) {
          const size_t end = pending.find("\r\n.\r\n");
          if (end == std::string::npos) {
            // Keep only what could still be the start of the end-of-data line.
            const size_t keep = std::min<size_t>(pending.size(), 4);
            dataBytes += pending.size() - keep;
            pending.erase(0, pending.size() - keep);
            break;
          }
          dataBytes += end + 2;
          pending.erase(0, end + 5);
          inData = false;
          lastBytes_ = dataBytes - 2;  // less the line end put in front at DATA
          say(fd, "250 sunk\r\n");
          continue;
        }
        const size_t end = pending.find("\r\n");
        if (end == std::string::npos) break;
        const std::string command = pending.substr(0, end);
        pending.erase(0, end + 2);
        if (command.rfind("DATA", 0) == 0) {
          inData = true;
          dataBytes = 0;
          // The end of data is CR LF "." CR LF; a line end in front lets an empty message end.
          pending.insert(0, "\r\n");
          say(fd, "354 go ahead\r\n");
        } else if (command.rfind("QUIT", 0) == 0) {
          say(fd, "221 bye\r\n");
          return;
        } else {
          say(fd, "250 ok\r\n");
        }
      }
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<size_t> lastBytes_{0};
};

// ---- a sender as a child process ----

struct Run {
  double seconds = 0;
  double cpuSeconds = 0;
  long peakKb = 0;
  bool ok = false;
};

Run runChild(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", argv[0]);
    return {};
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Run run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakKb = usage.ru_maxrss;
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

// ---- our client, in the child ----

int sendWithZelvaro(int argc, char** argv) {
  using namespace zelvaro;
  platform::Application app(argc, argv, platform::Application::Kind::Headless);
  send::TSmtpCli client;
  client.Host = "127.0.0.1";
  client.Port = argv[2];
  client.SignOn = "bench.test";
  client.FromName = "host@example.org";
  client.RcptName = {"player@example.org"};
  client.HdrFrom = "\"Host\" <host@example.org>";
  client.HdrTo = "player@example.org";
  client.HdrSubject = "benchmark";
  client.EmailFiles.push_back(argv[3]);
  client.OnGetData = [](net::TCustomSmtpClient&, int number, char* line, int maxLen, bool& more) {
    if (number > 1) {
      more = false;
      return;
    }
    std::snprintf(line, static_cast<size_t>(maxLen), "Your turn is attached.");
  };
  int error = -1;
  bool done = false;
  client.OnRequestDone = [&](net::TCustomSmtpClient&, net::TSmtpRequest, std::uint16_t e) {
    error = e;
    done = true;
  };
  for (auto request : {&send::TSmtpCli::Open, &send::TSmtpCli::Mail, &send::TSmtpCli::Quit}) {
    done = false;
    (client.*request)();
    while (!done) platform::waitMessage();
    if (error != 0) {
      std::fprintf(stderr, "request failed: %d %s\n", error, client.ErrorMessage().c_str());
      return 1;
    }
  }
  return 0;
}

void report(const char* who, double megabytes, const Run& run, size_t wireBytes) {
  std::printf("  %-8s %7.3f s wall %7.3f s cpu %6.2f MB/s %6.1f MB peak %10zu bytes of DATA%s\n",
              who, run.seconds, run.cpuSeconds, megabytes / run.seconds, run.peakKb / 1024.0,
              wireBytes, run.ok ? "" : "  FAILED");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--send") return sendWithZelvaro(argc, argv);

  std::vector<double> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atof(argv[i]));
  if (sizes.empty()) sizes = {1, 20};

  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("zelvaro-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  Sink sink;
  const std::string port = std::to_string(sink.port());
  std::mt19937 random(1999);

  for (double megabytes : sizes) {
    const size_t size = static_cast<size_t>(megabytes * 1024 * 1024);
    const std::string file = (folder / "turn.m1").string();
    {
      // Written in pieces: the children's peak memory includes this process's at their start.
      std::ofstream out(file, std::ios::binary);
      std::string piece(64 * 1024, '\0');
      for (size_t written = 0; written < size; written += piece.size()) {
        for (char& b : piece) b = static_cast<char>(random() & 0xFF);
        out.write(piece.data(),
                  static_cast<std::streamsize>(std::min(piece.size(), size - written)));
      }
    }
    std::printf("%g MB attachment:\n", megabytes);
    const Run ours = runChild({self, "--send", port, file});
    report("zelvaro", megabytes, ours, sink.lastMessageBytes());
    const Run curl =
        runChild({"curl", "-s", "-S", "smtp://127.0.0.1:" + port, "--mail-from", "host@example.org",
                  "--mail-rcpt", "player@example.org", "-H", "Subject: benchmark", "-F",
                  "=Your turn is attached.;type=text/plain", "-F",
                  "file=@" + file + ";type=application/octet-stream;encoder=base64"});
    report("curl", megabytes, curl, sink.lastMessageBytes());
    std::printf("  zelvaro/curl: %.2fx the time, %.2fx the memory\n", ours.seconds / curl.seconds,
                static_cast<double>(ours.peakKb) / static_cast<double>(curl.peakKb));
  }
  std::filesystem::remove_all(folder);
  return 0;
}
