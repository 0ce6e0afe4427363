#pragma once

// Short text messages of the program's own (receipts for orders, reminders, word to the host)
// mailed through the SMTP account the turns use: the same settings, password, TLS, greeting
// and composer, no files. One connection carries every notice of a mailer, each after RSET,
// and is opened again when the server has dropped it.
//
//   send::NoticeMailer mailer(settings);        // connects at the first send
//   send::Notice notice;
//   notice.to = "ann@example.org";
//   notice.subject = "Orders received: Nebula Cup 2426 player 3";
//   notice.body = {"Your orders for 2426 are in.", "..."};
//   notice.inReplyTo = parts.messageId;         // an answer: In-Reply-To and References
//   notice.autoSubmitted = "auto-replied";      // RFC 3834; "auto-generated" (the default)
//                                               // for a reminder nobody asked for
//   const send::NoticeOutcome outcome = mailer.send(notice);
//   if (!outcome.sent) log(outcome.failure);    // a line that says what to set
//   mailer.close();                             // QUIT; the destructor does it as well
//
// send() runs the event loop until the server has taken the message or refused it, so call
// it where the loop may run (not from inside a socket's or client's own handler).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"

namespace zelvaro::send {

struct Notice {
  std::string to;  // one address
  std::string subject;
  std::vector<std::string> body;  // lines, UTF-8
  // The Message-ID (with its angle brackets) of the mail this one answers; empty: none.
  std::string inReplyTo;
  std::string autoSubmitted = "auto-generated";
  // The display name of the From line; empty: the settings' default alias.
  std::string fromName;
};

struct NoticeOutcome {
  bool sent = false;
  std::string messageId;  // of the notice, once it was composed
  std::string reply;      // the server's reply to the end of the data
  // Why it was not mailed, in plain words with the setting to look at where one is at fault.
  std::string failure;
};

struct NoticeMailerOptions {
  // Each trace line of the client, for a monitor; never a password.
  std::function<void(const std::string&)> onTrace;
  // Keeps a window alive while a password command runs.
  std::function<void()> whileWaiting;
  // A request that hears nothing this long fails the notice.
  int stallTimeoutMs = 120000;
};

class NoticeMailer {
 public:
  explicit NoticeMailer(core::Settings settings, NoticeMailerOptions options = {});
  ~NoticeMailer();
  NoticeMailer(const NoticeMailer&) = delete;
  NoticeMailer& operator=(const NoticeMailer&) = delete;

  NoticeOutcome send(const Notice& notice);
  // Says goodbye to the server, if connected.
  void close();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zelvaro::send
