#pragma once

// The host's orders mailbox over IMAP, as intake uses it: one pass that hands every message new
// since the last pass to a judge and files what was judged, and a watch that tells its owner
// when new mail may have come. Both wait by running the event loop, never blocking it. The
// mail's \Seen flag is never read or set: the host may read his mail as he likes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"

namespace zelvaro::send {

struct MailboxMessage {
  std::uint32_t uid = 0;
  std::uint64_t size = 0;   // the whole message's, as the server counts it
  std::string bytes;        // the message as received (CR LF lines), or its header only
  bool headerOnly = false;  // over 4 MB: only the header was fetched
};

// Leave: not ours (no orders in it): it stays where it is, untouched. Done: judged, into
// `imapdone`. Rejected: judged and refused, into `imapdone`'s subfolder "Rejected".
enum class MailboxVerdict { Leave, Done, Rejected };

using MailboxJudge = std::function<MailboxVerdict(const MailboxMessage& message)>;

struct MailboxPassOptions {
  // Each line of the conversation, for the monitor; never a password or a message's bytes.
  std::function<void(const std::string&)> onTrace;
  // Keeps a window alive while a password command runs.
  std::function<void()> whileWaiting;
  // Where the pass remembers how far it got; empty: mailbox-state.tsv in the state folder.
  std::string statePath;
  // A command that hears nothing this long fails the pass.
  int stallTimeoutMs = 120000;
};

struct MailboxPassReport {
  bool ok = false;  // connected, looked at every new message, filed them all
  int judged = 0;   // messages handed to the judge
  int done = 0;
  int rejected = 0;
  std::vector<std::string> failures;  // plain lines saying what failed and what to do
};

// Connects with the settings' orders mailbox (send/mailbox_account.h), selects `imapfolder`,
// fetches every message after the last UID a pass has seen there (all of them again when the
// folder's UIDVALIDITY changed), asks `judge` about each in UID order, moves Done and Rejected
// ones away (creating the folders with the server's separator when missing), remembers how far
// it got, and logs out. The judge may run the event loop (to mail a receipt); it is never
// called from inside the connection's own handlers.
MailboxPassReport takeMailboxPass(const core::Settings& settings, const MailboxJudge& judge,
                                  const MailboxPassOptions& options = {});

// Watches `imapfolder` for --watch: IDLE where the server offers it (renewed before 29
// minutes), else every five minutes, `onMayHaveMail` is called; also once when the watch has
// connected, and on every reconnection after a failure (tried again after a minute, then up
// to every 15). Run passes from it; it keeps a connection of its own.
class MailboxWatch {
 public:
  MailboxWatch(core::Settings settings, std::function<void()> onMayHaveMail,
               std::function<void(const std::string&)> onProblem = {});
  ~MailboxWatch();
  MailboxWatch(const MailboxWatch&) = delete;
  MailboxWatch& operator=(const MailboxWatch&) = delete;

  void start();
  void stop();
  // IDLE is in use (false while connecting and where the server has none).
  bool idling() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zelvaro::send
