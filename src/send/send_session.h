#pragma once

// One run of the Send command over the current game's roster. Every entry marked for sending
// gets one message (the filled subject and body, his result file, the universe file and his
// extra files as the game asks), all over one connection while the server keeps it. Every step
// goes to the session log, the client's trace to the monitor. The session waits for the server
// by running the event loop, so the window stays alive; a dead server costs the entry, never
// the program.

#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/send_journal.h"
#include "core/settings.h"
#include "core/turn_check.h"
#include "platform/eventloop.h"
#include "send/session_host.h"
#include "send/session_log.h"
#include "send/smtp_cli.h"

namespace zelvaro::send {

struct SessionTiming {
  // How often a wait looks whether its request still makes progress.
  int pollMs = 1000;
  // A request that makes no progress this long (no reply, no line accepted) is aborted and
  // fails with "Connection timed out".
  int stallTimeoutMs = 120000;
  // How long "Progress of all emails" stays full after the session.
  int overallResetMs = 2000;
  // How long the RSET before a further message on the session's connection may go unanswered
  // before a new connection is opened.
  int reuseTimeoutMs = 15000;
};

// What the operator (or the command line) asked of one session beyond the roster.
struct SendOptions {
  enum class Files {
    RefuseWrong,  // an entry with a file of another game, year, player or kind is not mailed
    RefuseAny,    // nor one with a file missing, empty or unreadable
    SendAnyway,   // every entry goes, with whatever files there are
  };
  Files files = Files::RefuseWrong;
  // Mail entries even when the journal has them as mailed: all, or these players.
  bool again = false;
  std::set<int> againPlayers;
  // When not empty, only these player numbers are mailed.
  std::set<int> only;
  // When set, every message goes into this folder as "<NN>-player<N>.eml" (NN in the order they
  // are written) exactly as it would go on the wire, and nothing is sent or journaled.
  std::string previewFolder;
};

// A selected entry the session did not mail, and why: for the summary at its end.
struct NotMailed {
  int player = 0;
  std::string name;
  std::string reason;    // "Send failed: 550 mailbox unavailable", "orion.m9 is for 2425, ...", ...
  bool skipped = false;  // already mailed before ("mailed on 2026-05-01 08:18"): counts as done
};

// Where one selected entry stands after a session (or what a preview says Send would do).
struct PlayerOutcome {
  enum class Kind { MailedNow, HadIt, NotMailed };
  int player = 0;
  std::string name;
  Kind kind = Kind::NotMailed;
  // Why not mailed; when it had it, when; a message that went out all the same may carry a
  // flaw ("Recipient refused: ...").
  std::string reason;
  std::string previewFile;  // a preview's message of the player
};

class SendSession {
 public:
  explicit SendSession(SessionHost& host, SessionTiming timing = {});
  ~SendSession();
  SendSession(const SendSession&) = delete;
  SendSession& operator=(const SendSession&) = delete;

  // Runs the session over the host's game and returns when the last entry is done (the
  // window's Send button is off meanwhile). The base path and the year must be computed
  // before. Returns allMailed(). A call while a session runs does nothing and returns false.
  bool run(const SendOptions& options = {});

  bool running() const { return running_; }
  // The last session mailed every selected entry, with every file it asked for, and nothing
  // failed: what a batch run's exit status tells.
  bool allMailed() const { return allMailed_; }
  // Why entries of the last session were not mailed, one line each ("Player #2: Send failed:
  // ..."): what an unattended run reports, since nobody reads the log window.
  const std::vector<std::string>& failures() const { return failures_; }
  // The entries of the last session that were selected but not mailed now, in roster order.
  const std::vector<NotMailed>& notMailed() const { return notMailed_; }
  int selectedCount() const { return selected_; }
  // Every selected entry the last session came to, in roster order, each in one group.
  std::vector<PlayerOutcome> outcomes() const;
  // Entries the last session mailed now (the journal's skips not counted).
  int mailedCount() const { return mailed_; }

  // The state a session leaves behind.
  const std::string& PlayerNumberText() const { return PlayerNumberText_; }
  int SessionStep() const { return SessionStep_; }
  const std::vector<std::string>& msgmemo() const { return msgmemo_; }

 private:
  // How a request ended: 0, an SMTP reply code or a socket error number, and its text.
  struct Outcome {
    int error = 0;
    std::string message;
    bool ok() const { return error == 0; }
  };

  void runSession();
  void sendEntry(size_t index, const std::string& sender);
  // The check and the journal before an entry: true when it is not to be mailed now (it has
  // then been logged and counted).
  bool stopBeforeMailing(int slot, const std::vector<std::string>& fields);
  // The game's lock, waited for when another run holds it; false when the wait was given up.
  bool holdGame(platform::FileLock& lock);
  // The journal, read again, and whether it can be written: false (said, and the session
  // stops) when it cannot.
  bool readyJournal();
  // The journal line of an entry that failed as a whole.
  void journalFailure(int slot, const std::string& reason);
  // The server took the message: its lines go into the journal now, before QUIT.
  void messageAccepted(const std::string& reply);
  void journalLine(int slot, const std::string& outcome, const std::vector<std::string>& recipients,
                   const std::string& reply);
  // A journal that cannot be written stops the session: mailing on would mail players again.
  void journalBroken(const std::exception& e);
  // The player's addresses as the database (else the roster) has them.
  std::string addressesOf(const std::vector<std::string>& fields);
  void noteNotMailed(int slot, std::string reason, bool skipped = false);
  void noteMailed(int slot, std::string previewFile = {});
  // "Player #2 Bob", as the log names an entry.
  std::string playerLabel(int slot) const;
  std::string playerName(int slot) const;
  void mailEntry(int slot, const std::vector<std::string>& fields, const std::string& sender);
  // Files, sender, body and subject into the client; true when every file asked for was there.
  bool composeEntry(int slot, const std::vector<std::string>& fields, const std::string& sender);
  // The composed message into the preview folder instead of to the server.
  void writePreview(int slot, const std::vector<std::string>& fields, const std::string& sender);
  // Step 20: true when every file asked for was there.
  bool attachFiles(int slot, const std::vector<std::string>& fields);
  void fillBody();
  // Security, login and password into the client; false (logged, kept for failures()) when
  // one of them is missing or wrong, and then nothing is sent.
  bool prepareAccount();
  void reportNotMailed(size_t from);
  // The entry is lost: logged, and kept for failures().
  void fail(int slot, const std::string& line);
  void advanceBars();
  int messageTraceLines() const;
  // Sets the file bar when its percentage changed and a moment has passed, or `now`.
  void showFileProgress(bool now);
  void endSession();
  std::string senderText();

  // The session's connection (session_connection.cpp): RSET on the open one, else a new one;
  // awaited while the entry's files are gathered.
  bool connectionReusable(const core::ServerAddress& server) const;
  void beginTransaction(const core::ServerAddress& server);
  void startOpen();
  Outcome awaitTransaction();
  // The message, once more on a new connection when the used one was closing (421).
  Outcome deliver();
  // QUIT when the connection is up and idle, then closed.
  void endConnection();

  // Waiting for a request: arm, issue, wait. A request without progress for `stallLimitMs`
  // (0: the timing's stall time-out) is given up.
  void start(void (net::TCustomSmtpClient::*request)(), int stallLimitMs = 0);
  Outcome finish();
  void endWait(int error, std::string message);
  // The request failed with a permanent refusal of the return address.
  bool refusedSender(const Outcome& outcome) const;
  void closeConnection();
  // After an exception: nothing waits any more and the connection goes.
  void abandonRequest();
  void markProgress();

  // The client's events and the timers.
  void _smtpRequestDone(net::TSmtpRequest RqType, int Error);
  void smtp_timerTimer();
  void _smtpDisplay(const std::string& Msg);
  void _smtpGetData(int LineNum, char* MsgLine, int MaxLen, bool& More);
  void _smtpHeaderLine(char* Msg, int Size);
  void _smtpResponse(const std::string& Msg);
  void Timer1Timer();

  SessionHost& host_;
  const SessionTiming timing_;
  SessionLog log_;
  TSmtpCli _smtp;
  platform::Timer smtp_timer;
  platform::Timer Timer1;

  std::string PlayerNumberText_;
  int SessionStep_ = 0;
  bool RequestDoneFlag = false;
  int DisplayLineCount = 0;
  std::vector<std::string> msgmemo_;

  // The wait in progress: the request is outstanding while awaiting_ is set.
  bool awaiting_ = false;
  int stallLimitMs_ = 0;
  // The connection was opened (greeting, TLS, login) for server_ and may carry a message;
  // reusing_ while the entry at hand goes over it after an earlier one.
  bool sessionOpen_ = false;
  bool reusing_ = false;
  // The entry at hand's RSET goes with its envelope (reusing_, and the connection fresh).
  bool resetInMail_ = false;
  std::chrono::steady_clock::time_point lastMailEnd_;
  core::ServerAddress server_;
  Outcome outcome_;
  std::chrono::steady_clock::time_point lastProgress_;

  int overallPosition_ = 0;
  int filePosition_ = 0;
  int fileMaximum_ = 0;
  int shownPercent_ = -1;
  std::chrono::steady_clock::time_point shownAt_;

  bool running_ = false;
  bool interrupted_ = false;
  bool allMailed_ = false;
  bool anyFailure_ = false;
  std::vector<std::string> failures_;
  int selected_ = 0;
  int cleanlyMailed_ = 0;
  // The slot whose refusal would refuse every further entry too (a login, TLS); 0 while none.
  int stoppedAt_ = 0;

  SendOptions options_;
  std::vector<core::TurnFinding> findings_;
  core::SendJournal journal_;
  bool journalBroken_ = false;
  // The entry being mailed, whether the server took it, and the addresses it still needs when
  // it took his files before at some of them (empty: all).
  int slotInHand_ = 0;
  bool accepted_ = false;
  std::set<std::string> dueAddresses_;
  std::string messageId_;  // of the message in progress, as its header says
  int mailed_ = 0;
  int previewCount_ = 0;
  std::string previewFolderUsed_;
  std::vector<NotMailed> notMailed_;
  std::vector<PlayerOutcome> mailedNow_;
  // Why the entry in progress goes out though its files are not right.
  std::string sentAnyway_;
};

}  // namespace zelvaro::send
