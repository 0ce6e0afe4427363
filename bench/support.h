#pragma once

// What the benchmarks share: a mail sink that reads everything and keeps nothing, senders run
// as child processes (so each peak memory is its own), files of random bytes, and our SMTP
// client alone delivering one file.

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

struct ssl_ctx_st;

namespace zelvaro::bench {

// A minimal SMTP server on a loopback port, in a thread of its own, one connection at a time.
class Sink {
 public:
  Sink();
  // TLS with this certificate and key (PEM files): from the first byte of every connection, or
  // as a submission server does it, after STARTTLS, and then a login (any AUTH PLAIN is
  // taken), PIPELINING and SIZE offered.
  Sink(const std::string& certificateFile, const std::string& keyFile, bool submission = false);
  ~Sink();
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  int port() const { return port_; }
  // Bytes between DATA and the end-of-data line of the last message.
  size_t lastMessageBytes() const { return lastBytes_; }
  // Messages taken since the sink started.
  size_t messages() const { return messages_; }
  // Connections accepted since the sink started.
  size_t connections() const { return connections_; }

 private:
  void start();
  void serve();
  void session(int fd);

  int listener_ = -1;
  int port_ = 0;
  ssl_ctx_st* tls_ = nullptr;
  bool submission_ = false;
  std::atomic<size_t> connections_{0};
  std::thread thread_;
  std::atomic<size_t> lastBytes_{0};
  std::atomic<size_t> messages_{0};
};

struct Run {
  double seconds = 0;
  double cpuSeconds = 0;
  long peakKb = 0;
  bool ok = false;

  double peakMb() const { return static_cast<double>(peakKb) / 1024.0; }
  // Runs one after the other: times add up, the peak is the highest.
  Run& operator+=(const Run& next);
};

// Runs the program with its arguments (found on PATH unless a path) and waits for it. Each
// "NAME=value" of `environment` sets a variable of this process's environment, a bare "NAME"
// removes one.
Run runChild(const std::vector<std::string>& args,
             const std::vector<std::string>& environment = {});

// Writes a file of `size` bytes to `path`: `head`, then random bytes, in pieces, so this process
// stays small.
void writeRandomFile(const std::string& path, size_t size, unsigned seed,
                     const std::string& head = {});

// curl's SMTP upload of one message with the files attached as base64, as a command line.
// With `caFile`, over TLS from the first byte (smtps://localhost), trusting that CA.
std::vector<std::string> curlUpload(int port, const std::string& recipient,
                                    const std::vector<std::string>& files,
                                    const std::string& caFile = {});

// The child's side of an engine-alone run: `program --engine <port> <file> [<CA file>]` mails
// the file to the sink with our SMTP client and nothing else, over TLS from the first byte to
// localhost when a CA file is given; returns the exit status.
int sendWithEngine(int argc, char** argv);

}  // namespace zelvaro::bench
