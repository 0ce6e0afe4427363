// One intake pass over a mailbox of 1,000 messages of which 16 carry orders, against a real
// Dovecot on loopback over TLS, beside Python's imaplib doing the same fetches (the search, the
// sizes, every message whole in batches of 256). Each run starts from a fresh pass state, so
// every run fetches everything; the judge finds the orders and leaves every message where it
// is, so every run meets the same mailbox. Prints a Markdown table: time, CPU, peak memory and
// the ratio.
//
//   build-release/bench/bench_imap [RUNS]        (default: 5; the median is shown)

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "platform/application.h"
#include "send/orders_mailbox.h"
#include "support.h"
#include "support/dovecot_server.h"
#include "support/temp_dir.h"

namespace {

using zelvaro::bench::Run;
using zelvaro::test::DovecotServer;

constexpr int kMessages = 1000;
constexpr int kOrders = 16;

// A player's mail with his orders file attached, as a mail client sends it.
std::string ordersMail(int player) {
  std::string orders(180, '\0');
  for (size_t i = 0; i < orders.size(); ++i)
    orders[i] = static_cast<char>((i * 37 + player) & 0xFF);
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string base64;
  for (size_t i = 0; i + 2 < orders.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(orders[i]) << 16) |
                       (static_cast<unsigned char>(orders[i + 1]) << 8) |
                       static_cast<unsigned char>(orders[i + 2]);
    for (int shift : {18, 12, 6, 0}) base64 += alphabet[(v >> shift) & 63];
  }
  const std::string n = std::to_string(player);
  return "From: Player " + n + " <player" + n +
         "@example.org>\r\nTo: host@example.org\r\n"
         "Subject: turn 2426 orders\r\nMessage-ID: <orders" +
         n +
         "@example.org>\r\n"
         "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
         "--b\r\nContent-Type: text/plain\r\n\r\nMy orders.\r\n"
         "--b\r\nContent-Type: application/octet-stream\r\n"
         "Content-Disposition: attachment; filename=\"nebula.x" +
         n +
         "\"\r\n"
         "Content-Transfer-Encoding: base64\r\n\r\n" +
         base64 + "\r\n--b--\r\n";
}

// Everything else a host's mailbox holds: a few KB of text.
std::string otherMail(int number) {
  const std::string n = std::to_string(number);
  std::string body;
  const size_t lines = 20 + (number * 7919) % 120;
  for (size_t i = 0; i < lines; ++i) {
    body += "Line " + std::to_string(i) + " of message " + n +
            ": the quick brown fox jumps over the lazy dog.\r\n";
  }
  return "From: Someone <someone" + n +
         "@example.org>\r\nTo: host@example.org\r\nSubject: "
         "message " +
         n + "\r\nMessage-ID: <m" + n + "@example.org>\r\n\r\n" + body;
}

// The child's side: one pass; prints the orders found. Exit status 0 when the pass went well.
int pass(int argc, char** argv) {
  using namespace zelvaro;
  if (argc < 5) return 2;
  platform::Application application(argc, argv, platform::Application::Kind::Headless);
  core::Settings settings;
  settings.mailbox.server = std::string("localhost:") + argv[2];
  settings.mailbox.user = DovecotServer::kUser;
  settings.mailbox.passwordCommand = std::string("printf %s ") + DovecotServer::kPassword;
  settings.account.caFile = argv[3];
  send::MailboxPassOptions options;
  options.statePath = argv[4];
  const std::regex marker(R"(filename="?[^"\r\n]*\.x[0-9]+"?)", std::regex::icase);
  int orders = 0;
  const send::MailboxPassReport report = send::takeMailboxPass(
      settings,
      [&](const send::MailboxMessage& message) {
        // Only an attachment's header line is looked at, as intake's first glance is.
        if (message.bytes.find("filename=") != std::string::npos &&
            std::regex_search(message.bytes, marker)) {
          ++orders;
        }
        return send::MailboxVerdict::Leave;
      },
      options);
  std::printf("%d\n", orders);
  return report.ok && report.judged == kMessages ? 0 : 1;
}

Run median(std::vector<Run> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
  return runs[runs.size() / 2];
}

void row(const char* who, const Run& run, const std::string& ratio) {
  std::printf("| %s | %.3f s | %.3f s | %.1f MB | %s |\n", who, run.seconds, run.cpuSeconds,
              run.peakMb(), ratio.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zelvaro;
  if (argc >= 2 && std::string(argv[1]) == "--pass") return pass(argc, argv);
  const int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 5;

  DovecotServer server;
  for (int i = 1, player = 1; i <= kMessages; ++i) {
    // The orders are spread through the mailbox.
    const bool orders = player <= kOrders && i % (kMessages / kOrders) == 0;
    server.deliver(orders ? ordersMail(player++) : otherMail(i));
  }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string script = std::string(ZELVARO_BENCH_DIR) + "/imap_fetch.py";
  const test::TempDir state;
  const std::string port = std::to_string(server.imapsPort());

  std::vector<Run> ours, python;
  for (int i = 0; i < runs; ++i) {
    const std::string statePath = state.file("state" + std::to_string(i) + ".tsv");
    ours.push_back(bench::runChild({self, "--pass", port, server.caFile(), statePath}));
    python.push_back(bench::runChild({"python3", script, port, server.caFile(),
                                      DovecotServer::kUser, DovecotServer::kPassword}));
  }
  const Run zelvaro = median(ours);
  const Run peer = median(python);
  std::printf("| run (median of %d) | time | CPU | peak memory | ratio |\n|---|---|---|---|---|\n",
              runs);
  char ratio[64];
  std::snprintf(ratio, sizeof ratio, "%.2fx Python imaplib", zelvaro.seconds / peer.seconds);
  row("1,000 messages, 16 with orders: one intake pass", zelvaro, ratio);
  row("the same fetches: Python imaplib", peer, "");
  const bool ok = std::all_of(ours.begin(), ours.end(), [](const Run& r) { return r.ok; }) &&
                  std::all_of(python.begin(), python.end(), [](const Run& r) { return r.ok; });
  if (!ok) std::printf("\nA run FAILED.\n");
  return ok ? 0 : 1;
}
