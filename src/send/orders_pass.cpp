#include "send/orders_pass.h"

#include "send/drop_folder.h"
#include "send/notice_mailer.h"
#include "send/orders_receipts.h"
#include "send/session_log.h"

namespace zelvaro::send {

namespace {

std::string verdictLine(const JudgedOrders& judged, const std::string& from) {
  const std::string game = judged.game != nullptr ? judged.game->game.name + ": " : "";
  if (!judged.failure.empty()) {
    return game + judged.name + " from " + from + " could not be judged: " + judged.failure;
  }
  return game + judged.name + " from " + from + ": " + judged.verdict + ", " + judged.reason;
}

// The log file only: a pass shows no window.
class FileOnlyLog : public LogHost {
 public:
  explicit FileOnlyLog(const core::Settings& settings) : settings_(settings) {}
  const core::Settings& settings() override { return settings_; }
  void clearLogWindow() override {}
  void appendLogWindowLine(const std::string&) override {}

 private:
  const core::Settings& settings_;
};

}  // namespace

struct OrdersPass::Impl {
  Impl(core::Settings settingsIn, OrdersIntake& intakeIn, core::SendJournal& journalIn,
       IntakeLines linesIn)
      : settings(std::move(settingsIn)),
        intake(intakeIn),
        journal(journalIn),
        lines(std::move(linesIn)),
        logHost(settings),
        log(logHost) {}

  void verdict(const std::string& line) {
    log.LogLine("Orders: " + line);
    if (lines.verdict) lines.verdict(line);
  }
  void problem(const std::string& line) {
    failed = true;
    log.LogLine("Orders: " + line);
    if (lines.problem) lines.problem(line);
  }
  void report(const JudgedOrders& judged, const std::string& from) {
    if (!judged.failure.empty()) {
      problem(verdictLine(judged, from));
    } else if (!judged.judgedBefore) {
      verdict(verdictLine(judged, from));
    }
  }
  void reportReceipts(const ReceiptsMailed& mailed) {
    for (const std::string& failure : mailed.failures) problem(failure);
  }

  // One connection for the receipts of a whole pass.
  NoticeMailer& mailer() {
    if (!notices) notices = std::make_unique<NoticeMailer>(settings);
    return *notices;
  }

  MailboxVerdict judge(const MailboxMessage& message) {
    if (message.headerOnly) {
      ReceiptsMailed mailed;
      const bool ours =
          answerTooBig(message.bytes, message.size, intake.games(), mailer(), journal, mailed);
      reportReceipts(mailed);
      if (!ours) return MailboxVerdict::Leave;
      verdict("a message of " + std::to_string(message.size) + " bytes from " +
              takeApart(message.bytes).sender + ": rejected, over 4 MB, not looked at");
      return MailboxVerdict::Rejected;
    }
    const MessageIntake taken = intake.takeMessage(message.bytes);
    for (const JudgedOrders& judged : taken.files) report(judged, taken.parts.sender);
    reportReceipts(mailReceipts(taken, mailer(), journal));
    switch (taken.verdict) {
      case MessageVerdict::Done:
        return MailboxVerdict::Done;
      case MessageVerdict::Rejected:
        return MailboxVerdict::Rejected;
      case MessageVerdict::Leave:
        break;
    }
    return MailboxVerdict::Leave;
  }

  core::Settings settings;
  OrdersIntake& intake;
  core::SendJournal& journal;
  IntakeLines lines;
  FileOnlyLog logHost;
  SessionLog log;
  std::unique_ptr<NoticeMailer> notices;
  bool failed = false;
};

OrdersPass::OrdersPass(core::Settings settings, OrdersIntake& intake, core::SendJournal& journal,
                       IntakeLines lines)
    : impl_(std::make_unique<Impl>(std::move(settings), intake, journal, std::move(lines))) {}

OrdersPass::~OrdersPass() = default;

bool OrdersPass::takeMailbox(MailboxPassOptions options) {
  Impl& m = *impl_;
  if (m.settings.mailbox.server.empty() || m.intake.games().empty()) return true;
  m.failed = false;
  const MailboxPassReport report = takeMailboxPass(
      m.settings, [&m](const MailboxMessage& message) { return m.judge(message); }, options);
  for (const std::string& failure : report.failures) m.problem(failure);
  if (m.notices) {
    m.notices->close();
    m.notices.reset();
  }
  return report.ok && !m.failed;
}

bool OrdersPass::takeDropFolders(std::chrono::seconds settle) {
  Impl& m = *impl_;
  m.failed = false;
  for (size_t game = 0; game < m.intake.games().size(); ++game) {
    const DropPass pass = takeDropFolder(m.intake, game, settle);
    // A file that could not be judged is among the pass's failures already.
    for (const JudgedOrders& judged : pass.judged) {
      if (judged.failure.empty()) m.report(judged, "incoming/");
    }
    for (const std::string& failure : pass.failures) m.problem(failure);
  }
  return !m.failed;
}

}  // namespace zelvaro::send
