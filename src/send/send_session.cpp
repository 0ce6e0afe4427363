#include "send/send_session.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <filesystem>

#include "core/game_file.h"
#include "core/player_database.h"
#include "core/stars_files.h"
#include "core/text_file.h"
#include "core/turn_status.h"
#include "net/smtp_limits.h"
#include "net/smtp_text.h"
#include "platform/clock_text.h"
#include "platform/messages.h"
#include "platform/socketerrors.h"
#include "send/account_setup.h"
#include "send/failure_causes.h"
#include "send/message_hooks.h"
#include "send/mime_text.h"
#include "send/preview_files.h"
#include "send/templates.h"

namespace zelvaro::send {

namespace {

// The editor's lines as typed: a template line holding line breaks is several lines.
std::vector<std::string> typedLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t begin = 0;
  for (;;) {
    const size_t end = text.find_first_of("\r\n", begin);
    lines.push_back(text.substr(begin, end - begin));
    if (end == std::string::npos) return lines;
    begin = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

// The bars follow a message as often as a person can see, not once per line: each setting
// repaints the window.
constexpr std::chrono::milliseconds kProgressInterval{40};

std::string hourMinuteText(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[8];
  std::strftime(text, sizeof text, "%H:%M", &local);
  return text;
}

}  // namespace

SendSession::SendSession(SessionHost& host, SessionTiming timing)
    : host_(host), timing_(timing), log_(host) {
  _smtp.OnRequestDone = [this](net::TCustomSmtpClient&, net::TSmtpRequest request, int error) {
    _smtpRequestDone(request, error);
  };
  _smtp.OnDisplay = [this](net::TCustomSmtpClient&, const std::string& text) {
    _smtpDisplay(text);
  };
  _smtp.OnGetData = [this](net::TCustomSmtpClient&, int number, char* line, int maxLen,
                           bool& more) { _smtpGetData(number, line, maxLen, more); };
  _smtp.OnHeaderLine = [this](net::TCustomSmtpClient&, char* line, int size) {
    _smtpHeaderLine(line, size);
  };
  _smtp.OnResponse = [this](net::TCustomSmtpClient&, const std::string& text) {
    _smtpResponse(text);
  };
  _smtp.OnMessageAccepted = [this](net::TCustomSmtpClient&, const std::string& reply) {
    messageAccepted(reply);
  };
  // A lookup or a connection under way shows no trace line, but it is progress all the same.
  _smtp.OnEngineState = [this](net::TCustomSmtpClient&) { markProgress(); };
  // A reply that trickles in line by line is progress, but only for so long.
  _smtp.ReplyTimeLimitMs = timing_.stallTimeoutMs;
  smtp_timer.setInterval(timing_.pollMs);
  smtp_timer.onTick = [this] { smtp_timerTimer(); };
  Timer1.setInterval(timing_.overallResetMs);
  Timer1.onTick = [this] { Timer1Timer(); };
}

SendSession::~SendSession() = default;

bool SendSession::run(const SendOptions& options) {
  if (running_) return false;
  running_ = true;
  options_ = options;
  mailed_ = 0;
  notMailed_.clear();
  mailedNow_.clear();
  interrupted_ = false;
  journalBroken_ = false;
  anyFailure_ = false;
  failures_.clear();
  allMailed_ = false;
  selected_ = 0;
  cleanlyMailed_ = 0;
  Timer1.setEnabled(false);
  overallPosition_ = 0;
  host_.setOverallProgress(0);
  fileMaximum_ = host_.fileProgressMaximum();
  host_.clearMonitor();
  host_.setSendEnabled(false);
  try {
    runSession();
  } catch (const std::exception& e) {
    // Whatever went wrong, the session ends in order and the window is usable again.
    anyFailure_ = true;
    abandonRequest();
    platform::messages().show(e.what(), platform::MessageKind::Error);
  }
  forgetSecret(_smtp.Password);
  host_.setSendEnabled(true);
  running_ = false;
  return allMailed_;
}

void SendSession::runSession() {
  log_.BeginLog();
  const std::time_t begun = std::time(nullptr);
  log_.LogLine("Begin session. DateTime:" + platform::shortDateText(begun) + " " +
               platform::longTimeText(begun));
  {
    const core::Game& game = host_.game();
    log_.LogLine("Game:\"" + game.name + "\" XYfile:\"" + game.universePath +
                 "\" Gameyear:" + std::to_string(game.year));
  }
  const core::Roster& roster = host_.game().roster;
  if (roster.empty()) {
    platform::showMessage("Send to WHO, bozo??");
    return;
  }
  selected_ = static_cast<int>(
      std::count_if(roster.begin(), roster.end(), [this, slot = 0](const auto& entry) mutable {
        ++slot;
        return entry.sending() && (options_.only.empty() || options_.only.count(slot) > 0);
      }));
  // Nobody selected mails nothing; the bar then stays where it is.
  SessionStep_ = selected_ > 0 ? 100 / selected_ : 0;
  log_.LogLine("Sending to:" + std::to_string(selected_) + "/" + std::to_string(roster.size()));
  // The games of one run share its folder, so the numbers go on from game to game.
  if (options_.previewFolder != previewFolderUsed_) previewCount_ = 0;
  previewFolderUsed_ = options_.previewFolder;
  if (!options_.previewFolder.empty()) {
    log_.LogLine("Preview: nothing is sent, the messages go to:\"" + options_.previewFolder + "\"");
    std::error_code error;
    std::filesystem::create_directories(options_.previewFolder, error);
    if (error) {
      throw std::runtime_error("Cannot write the messages into " + options_.previewFolder + ": " +
                               error.message() + "; name a folder that can be made or written");
    }
    if (previewCount_ == 0) removeEarlierPreviews(options_.previewFolder);
  } else if (selected_ > 0 && !prepareAccount()) {
    host_.showLogWindow();
    return;
  }
  const std::string sender = senderText();
  stoppedAt_ = 0;
  // Who is due is decided under the lock, so that two runs never both find a player due.
  platform::FileLock lock(platform::lockPathFor(core::journalGameFile(host_.game())));
  if (options_.previewFolder.empty() && !holdGame(lock)) {
    endSession();
    return;
  }
  findings_ = core::checkTurnFiles(host_.game());
  if (!readyJournal()) {
    endSession();
    return;
  }
  // The operator may change the roster while the session waits: it is read afresh each time.
  size_t index = 0;
  for (; index < host_.game().roster.size() && !interrupted_ && !journalBroken_ && stoppedAt_ == 0;
       ++index) {
    sendEntry(index, sender);
  }
  if (stoppedAt_ != 0) reportNotMailed(index);
  endSession();
  allMailed_ = !anyFailure_ && !interrupted_ && !journalBroken_ && cleanlyMailed_ == selected_;
}

void SendSession::fail(int slot, const std::string& line) {
  anyFailure_ = true;
  log_.LogLine(line);
  noteNotMailed(slot, line);
  failures_.push_back("Player #" + std::to_string(slot) + ": " + line);
}

// Before anything goes out: the connection's security and the login, with its password.
bool SendSession::prepareAccount() {
  const std::string problem =
      applyAccount(_smtp, host_.settings(), [] { platform::processMessages(); });
  if (problem.empty()) return true;
  anyFailure_ = true;
  log_.LogLine(problem);
  failures_.push_back(problem);
  return false;
}

// The entries after the one that stopped the session.
void SendSession::reportNotMailed(size_t from) {
  const core::Roster& roster = host_.game().roster;
  for (size_t index = from; index < roster.size(); ++index) {
    if (!roster[index].sending() || roster[index].addresses().empty()) continue;
    if (!options_.only.empty() && options_.only.count(static_cast<int>(index) + 1) == 0) continue;
    fail(static_cast<int>(index) + 1,
         "Not mailed: the session stopped at player #" + std::to_string(stoppedAt_));
  }
}

std::string SendSession::senderText() {
  const core::Settings& settings = host_.settings();
  const std::string& alias = host_.game().alias;
  return quotedDisplayName(alias.empty() ? settings.defalias : alias) + " <" + settings.email + ">";
}

void SendSession::sendEntry(size_t index, const std::string& sender) {
  const std::vector<std::string> fields = host_.game().roster[index].fields();
  const int slot = static_cast<int>(index) + 1;
  PlayerNumberText_ = playerNumberText(slot);
  if (fields.size() < 3) return;
  const bool wanted = options_.only.empty() || options_.only.count(slot) > 0;
  if (fields[1] != "1" || fields[2].empty()) {
    if (fields[2].empty()) {
      log_.LogLine("Player #" + std::to_string(slot) + " has no email adress.. what gives?");
      // Selected all the same: the summary names him among those not mailed.
      if (fields[1] == "1" && wanted) noteNotMailed(slot, "no email address in the roster");
    }
    return;
  }
  if (!wanted) return;
  if (stopBeforeMailing(slot, fields)) {
    advanceBars();
    return;
  }
  try {
    mailEntry(slot, fields, sender);
  } catch (const std::exception& e) {
    // A file of the program that cannot be read: this entry is lost, the others may not be.
    abandonRequest();
    platform::messages().show(e.what(), platform::MessageKind::Error);
    fail(slot, std::string("Send failed: ") + e.what());
    advanceBars();
  }
}

void SendSession::mailEntry(int slot, const std::vector<std::string>& fields,
                            const std::string& sender) {
  const core::ServerAddress server = host_.settings().serverAddress();
  _smtp.RcptName.clear();

  const std::string& name = fields[0];
  const std::string addresses = addressesOf(fields);
  log_.LogLine("Recipient:" + name + " email(s):" + net::printableText(addresses));
  log_.LogLine("Using new SMTP routine.");
  const std::string normalized = NormalizeAddressList(addresses);
  if (auto invalid = firstUnmailableAddress(normalized)) {
    // Nothing goes out for the entry: part of such an address could become a command.
    fail(slot,
         "Invalid address: " + net::printableText(invalid->address) + " (" + invalid->fault + ")");
    advanceBars();
    return;
  }
  for (std::string& recipient : recipientsOf(normalized)) {
    // ";;" leaves an empty item, and an empty RCPT TO:<> would be the null address.
    if (recipient.empty()) continue;
    if (!dueAddresses_.empty() && dueAddresses_.count(core::journalAddress(recipient)) == 0) {
      continue;
    }
    _smtp.RcptName.push_back(std::move(recipient));
  }
  _smtp.HdrTo = normalized;
  messageId_.clear();
  if (!options_.previewFolder.empty()) {
    writePreview(slot, fields, sender);
    advanceBars();
    return;
  }
  if (_smtp.RcptName.empty()) {
    log_.LogLine("Player #" + std::to_string(slot) + " has no email adress.. what gives?");
    anyFailure_ = true;
    failures_.push_back("Player #" + std::to_string(slot) + ": no address to mail to");
    noteNotMailed(slot, "no address to mail to");
    advanceBars();
    return;
  }
  slotInHand_ = slot;
  accepted_ = false;
  // The connection is readied while the files are gathered (a missing one asks the operator).
  beginTransaction(server);
  const bool everyFile = composeEntry(slot, fields, sender);
  Outcome outcome = awaitTransaction();
  bool everyRecipient = true;
  if (outcome.ok()) {
    fileMaximum_ = std::max(fileMaximum_, DisplayLineCount + messageTraceLines());
    showFileProgress(true);
    outcome = deliver();
    for (const auto& refused : _smtp.RefusedRecipients()) {
      fail(slot, "Recipient refused:\"" + refused.address + "\" " + refused.reply);
      everyRecipient = false;
    }
    // Taken is taken, whatever happened after the server's reply (a stop, a lost connection).
    if (accepted_) outcome = {};
  }

  if (outcome.error == net::messageTooBig) {
    const std::string reason = "not mailed: " + outcome.message;
    fail(slot, reason);
    journalFailure(slot, reason);
  } else if (!outcome.ok()) {
    const std::string reason = failureText(outcome.error, outcome.message);
    FailureCause cause = failureCause(outcome.error, outcome.message, server.host);
    if (cause.text.empty() && refusedSender(outcome)) {
      // The return address is at fault, not the player: nobody else would be taken either.
      fail(slot, "Sender refused: " + _smtp.FromName + " " + outcome.message);
      cause = senderRefusedCause(_smtp.FromName, !_smtp.Username.empty());
    } else {
      fail(slot, "Send failed: " + reason);
    }
    journalFailure(slot, reason);
    if (!cause.text.empty()) fail(slot, cause.text);
    if (cause.stopsSession) stoppedAt_ = slot;
  } else {
    ++mailed_;
    noteMailed(slot);
    log_.LogLine("Send complete.");
    if (everyFile && everyRecipient) {
      ++cleanlyMailed_;
    } else {
      anyFailure_ = true;
    }
  }
  advanceBars();
}

bool SendSession::composeEntry(int slot, const std::vector<std::string>& fields,
                               const std::string& sender) {
  const bool everyFile = attachFiles(slot, fields);
  _smtp.HdrFrom = sender;
  _smtp.FromName = host_.settings().email;
  fillBody();
  _smtp.HdrSubject =
      FillTemplate(host_.game().subject, {host_.game().year, host_.game().name, PlayerNumberText_});
  return everyFile;
}

bool SendSession::attachFiles(int slot, const std::vector<std::string>& fields) {
  _smtp.EmailFiles.clear();
  bool everyFile = true;
  for (const core::TurnFile& file : core::turnFilesOf(host_.game(), slot, fields)) {
    const std::string& path = file.path;
    if (!core::fileExists(path)) {
      everyFile = false;
      platform::showMessage("File is missing: " + path);
      log_.LogLine("File not found:\"" + path + "\"");
    } else if (file.role != core::TurnFileRole::Extra && core::fileIsEmpty(path)) {
      // An empty turn is no turn: the player is better told by its absence.
      everyFile = false;
      platform::showMessage("File is empty: " + path);
      log_.LogLine("File is empty:\"" + path + "\"");
    } else {
      _smtp.EmailFiles.push_back(path);
      log_.LogLine("Attaching file:\"" + path + "\"");
    }
  }
  return everyFile;
}

// The trace lines the message will show at least: its text lines and the base64 lines of its
// files, known before the data starts.
int SendSession::messageTraceLines() const {
  constexpr std::uintmax_t perLine = net::smtp_limits::kBase64BytesPerLine;
  std::uintmax_t lines = msgmemo_.size();
  for (const std::string& path : _smtp.EmailFiles) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error) lines += std::max<std::uintmax_t>(1, (size + perLine - 1) / perLine);
  }
  return static_cast<int>(std::min<std::uintmax_t>(lines, INT_MAX / 2));
}

void SendSession::fillBody() {
  msgmemo_.clear();
  const core::Game& game = host_.game();
  const TemplateValues values{game.year, game.name, PlayerNumberText_};
  for (const std::string& text : game.body) {
    for (const std::string& line : typedLines(text)) msgmemo_.push_back(FillTemplate(line, values));
  }
}

void SendSession::advanceBars() {
  overallPosition_ += SessionStep_;
  host_.setOverallProgress(overallPosition_);
  // The maximum falls halfway back towards the length of the message just sent.
  if (fileMaximum_ > DisplayLineCount) fileMaximum_ -= (fileMaximum_ - DisplayLineCount) / 2;
  showFileProgress(true);
  DisplayLineCount = 0;
}

void SendSession::showFileProgress(bool now) {
  const int percent =
      fileMaximum_ > 0
          ? static_cast<int>(static_cast<long long>(filePosition_) * 100 / fileMaximum_)
          : 0;
  const auto time = std::chrono::steady_clock::now();
  if (!now && (percent == shownPercent_ || time - shownAt_ < kProgressInterval)) return;
  shownPercent_ = percent;
  shownAt_ = time;
  host_.setFileProgress(filePosition_, fileMaximum_);
}

void SendSession::endSession() {
  endConnection();
  const std::time_t now = std::time(nullptr);
  // A session that mailed nobody generated nothing for the players.
  if (mailed_ > 0) {
    const std::string stamp = platform::shortDateText(now) + ", " + hourMinuteText(now);
    try {
      core::updateLastGenerated(host_.game(), stamp);
    } catch (const std::exception& e) {
      platform::messages().show(e.what(), platform::MessageKind::Error);
    }
    host_.showLastGenerated(stamp);
  }
  filePosition_ = 0;
  host_.setFileProgress(0, fileMaximum_);
  overallPosition_ = 100;
  host_.setOverallProgress(overallPosition_);
  Timer1.setEnabled(true);
  log_.LogLine("End session at " + platform::longTimeText(now));
  log_.LogLine("");
  // A preview shows its messages; the log has nothing to add.
  if (options_.previewFolder.empty()) host_.showLogWindow();
}

bool SendSession::refusedSender(const Outcome& outcome) const {
  return outcome.error >= 500 && outcome.error < 600 &&
         _smtp.RefusedBy() == net::TSmtpStep::MailFrom;
}

// ---- waiting for a request ----

// Armed before the request is issued, so that an end arriving while a message box is open is
// not lost; a request that cannot even start ends its wait at once. The timer only watches for
// a request that stopped making progress.
void SendSession::start(void (net::TCustomSmtpClient::*request)(), int stallLimitMs) {
  RequestDoneFlag = false;
  awaiting_ = true;
  stallLimitMs_ = stallLimitMs > 0 ? stallLimitMs : timing_.stallTimeoutMs;
  outcome_ = {};
  markProgress();
  smtp_timer.setEnabled(true);
  try {
    (_smtp.*request)();
  } catch (const std::exception& e) {
    endWait(platform::WSAEINVAL, e.what());
  }
}

SendSession::Outcome SendSession::finish() {
  while (awaiting_) {
    if (platform::applicationTerminating()) {
      interrupted_ = true;
      endWait(platform::WSAEINTR, platform::SocketErrorText(platform::WSAEINTR));
      break;
    }
    platform::waitMessage();
  }
  // A request given up on (no progress, or the program ending) is still under way.
  if (_smtp.State() != net::scReady) closeConnection();
  return outcome_;
}

void SendSession::endWait(int error, std::string message) {
  awaiting_ = false;
  outcome_ = {error, std::move(message)};
  smtp_timer.setEnabled(false);
}

void SendSession::abandonRequest() {
  awaiting_ = false;
  smtp_timer.setEnabled(false);
  closeConnection();
}

// Aborting ends a request still under way with a notification of its own; it is let through
// now, while nobody waits, so that it cannot end the next request's wait.
void SendSession::closeConnection() {
  sessionOpen_ = false;
  _smtp.Abort();
  platform::processMessages();
}

void SendSession::markProgress() {
  lastProgress_ = std::chrono::steady_clock::now();
}

void SendSession::_smtpRequestDone(net::TSmtpRequest, int Error) {
  if (!awaiting_) return;
  // The wait ends with the request: a tick to notice it would only leave the server idle.
  if (Error == 0) {
    RequestDoneFlag = true;
    endWait(0, {});
    return;
  }
  const std::string& message = _smtp.ErrorMessage();
  endWait(Error, message.empty() ? platform::SocketErrorText(Error) : message);
}

void SendSession::smtp_timerTimer() {
  if (awaiting_ && std::chrono::steady_clock::now() - lastProgress_ >=
                       std::chrono::milliseconds(stallLimitMs_)) {
    endWait(platform::WSAETIMEDOUT, platform::SocketErrorText(platform::WSAETIMEDOUT));
  }
}

void SendSession::_smtpDisplay(const std::string& Msg) {
  markProgress();
  host_.appendMonitorLine(Msg);
  ++DisplayLineCount;
  fileMaximum_ = std::max(fileMaximum_, DisplayLineCount);
  filePosition_ = DisplayLineCount;
  showFileProgress(false);
}

void SendSession::_smtpGetData(int LineNum, char* MsgLine, int MaxLen, bool& More) {
  serveBodyLine(msgmemo_, LineNum, MsgLine, MaxLen, More);
}

void SendSession::_smtpHeaderLine(char* Msg, int Size) {
  markProgress();
  noteMessageId(Msg, messageId_);
  addCommentsLine(Msg, Size);
}

void SendSession::_smtpResponse(const std::string&) {
  markProgress();
}

void SendSession::Timer1Timer() {
  Timer1.setEnabled(false);
  overallPosition_ = 0;
  host_.setOverallProgress(0);
}

}  // namespace zelvaro::send
