#include "net/smtp_client.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

#include <strings.h>

#include "net/mail_address.h"
#include "net/sasl.h"
#include "net/smtp_date.h"
#include "net/smtp_reply.h"
#include "net/smtp_text.h"
#include "net/twsocket.h"
#include "platform/netnames.h"
#include "platform/process_runner.h"

namespace zelvaro::net {

using namespace smtp_limits;

namespace {

// Failures of our own are named in words with their number in brackets, never dressed up as a
// server's reply; a number of the secure session's says so only while TLS is in use.
std::string socketErrorResponse(int error) {
  return SocketErrorText(error) + " (Winsock error #" + std::to_string(error) + ")";
}

std::string secureFailureResponse(int error, const std::string& detail, bool tls) {
  return TlsErrorText(error) + (detail.empty() ? "" : ": " + detail) +
         (tls ? " (TLS error #" : " (error #") + std::to_string(error) + ")";
}

std::string ownFailureResponse(int error, const std::string& detail = {}) {
  return secureFailureResponse(error, detail, false);
}

// This machine's fully qualified name; without one, the address literal of the connection's
// own end, which the server can check. Never a name the server could take for its own.
std::string greetingName(TCustomWSocket& socket) {
  std::optional<std::string> name = platform::localHostName();
  if (name && name->find('.') != std::string::npos) return *name;
  platform::Ipv4Endpoint local;
  if (socket.SockName(local) != 0) local.address = 0x7F000001;
  return "[" + platform::dottedAddress(local.address) + "]";
}

constexpr const char* kHiddenSecret = "********";

std::optional<SaslMechanism> wantedSasl(TSmtpAuthType type) {
  switch (type) {
    case TSmtpAuthType::Plain:
      return SaslMechanism::Plain;
    case TSmtpAuthType::Login:
      return SaslMechanism::Login;
    case TSmtpAuthType::XOAuth2:
      return SaslMechanism::XOAuth2;
    case TSmtpAuthType::Auto:
      break;
  }
  return std::nullopt;
}

// "53.2 MB": a message's size rounded up, a limit's down, so that one over the limit never
// reads as equal to it.
std::string megabytes(std::uint64_t octets, bool roundUp) {
  constexpr std::uint64_t kMegabyte = 1024 * 1024;
  const std::uint64_t tenths =
      roundUp ? (octets * 10 + kMegabyte - 1) / kMegabyte : octets * 10 / kMegabyte;
  std::string text = std::to_string(tenths / 10);
  if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
  return text + " MB";
}

// Errors of the request as a whole that no server reply carries.
constexpr int kErrorConnectionLost = 10004;
constexpr int kErrorInvalidArgument = 10022;
constexpr int kErrorConnectionAborted = 10053;

}  // namespace

// The hidden window the request-done notification is queued to.
class TCustomSmtpClient::NotificationWindow : public platform::NotificationOwner {
 public:
  explicit NotificationWindow(TCustomSmtpClient& client) : client_(client) {}

 protected:
  void handleNotification(const platform::Notification& notification) override {
    client_.WndProc(notification);
  }

 private:
  TCustomSmtpClient& client_;
};

// What a request that raises on the caller must leave as it found it.
struct TCustomSmtpClient::Snapshot {
  explicit Snapshot(const TCustomSmtpClient& c)
      : state(c.FState),
        rqType(c.FRqType),
        doneSignalled(c.FDoneSignalled),
        outcome(c.FOutcome),
        steps(c.FSteps),
        step(c.FStep),
        compoundOutcome(c.FCompoundOutcome),
        compound(c.FCompound),
        resume(c.FResume),
        lastResponse(c.FLastResponse),
        errorMessage(c.FErrorMessage) {}

  void restore(TCustomSmtpClient& c) const {
    c.FRqType = rqType;
    c.FDoneSignalled = doneSignalled;
    c.FOutcome = outcome;
    c.FSteps = steps;
    c.FStep = step;
    c.FCompoundOutcome = compoundOutcome;
    c.FCompound = compound;
    c.FResume = resume;
    c.FLastResponse = lastResponse;
    c.FErrorMessage = errorMessage;
    if (c.FState != state) c.SetState(state);
  }

  TSmtpClientState state;
  TSmtpRequest rqType;
  bool doneSignalled;
  int outcome;
  TSmtpSteps steps;
  TSmtpStep step;
  int compoundOutcome;
  bool compound;
  Continuation resume;
  std::string lastResponse;
  std::string errorMessage;
};

TCustomSmtpClient::TCustomSmtpClient()
    : FWindow(std::make_unique<NotificationWindow>(*this)), FSocket(std::make_unique<TWSocket>()) {
  FSocket->OnSessionClosed = [this](TCustomWSocket&, std::uint16_t error) {
    SocketSessionClosed(error);
  };
  FReplyTimer.onTick = [this] { ReplyTimedOut(); };
}

TCustomSmtpClient::~TCustomSmtpClient() {
  wipeSecrets(FAuthAnswers);
  // Nothing the socket reports while it goes may reach a half-destroyed client.
  FSocket->OnSessionClosed = nullptr;
  FSocket->OnDataAvailable = nullptr;
  FSocket->OnDataSent = nullptr;
  FSocket->OnSessionConnected = nullptr;
  FSocket->OnDnsLookupDone = nullptr;
  FSocket->OnSslHandshakeDone = nullptr;
  FSocket.reset();
  FWindow.reset();
}

// ---- events ----

void TCustomSmtpClient::DoDisplay(const std::string& Msg) {
  if (OnDisplay) OnDisplay(*this, Msg);
}

void TCustomSmtpClient::DoCommand(const std::string& Msg) {
  if (OnCommand) OnCommand(*this, Msg);
}

void TCustomSmtpClient::DoMessageAccepted(const std::string& Reply) {
  if (OnMessageAccepted) OnMessageAccepted(*this, Reply);
}

void TCustomSmtpClient::DoResponse(const std::string& Msg) {
  if (OnResponse) OnResponse(*this, Msg);
}

void TCustomSmtpClient::DoChangeState() {
  if (OnEngineState) OnEngineState(*this);
}

void TCustomSmtpClient::DoGetData(int LineNum, char* MsgLine, bool& More, int MaxLen) {
  if (OnGetData) {
    OnGetData(*this, LineNum, MsgLine, MaxLen, More);
  } else {
    More = false;
  }
}

void TCustomSmtpClient::DoHeaderLine(char* Msg, int Size) {
  if (OnHeaderLine) OnHeaderLine(*this, Msg, Size);
}

bool TCustomSmtpClient::DoGetDataBlock(std::string&, size_t) {
  return false;
}

void TCustomSmtpClient::DoBuildHeader(std::vector<std::string>& Header) {
  if (OnBuildHeader) OnBuildHeader(*this, Header);
}

void TCustomSmtpClient::DoSessionConnected(int Error) {
  if (OnSessionConnected) OnSessionConnected(*this, static_cast<std::uint16_t>(Error));
}

void TCustomSmtpClient::DoSessionClosed(int Error) {
  if (OnSessionClosed) OnSessionClosed(*this, static_cast<std::uint16_t>(Error));
}

void TCustomSmtpClient::WndProc(const platform::Notification& Msg) {
  if (Msg.message != kRequestDoneMessage || !OnRequestDone) return;
  OnRequestDone(*this, FRqType, static_cast<int>(Msg.lparam));
}

// ---- state, checks, requests ----

void TCustomSmtpClient::SetState(TSmtpClientState state, bool announce) {
  if (state != scAwaitingReply && state != scAwaitingGreeting) FReplyTimer.setEnabled(false);
  FState = state;
  if (announce) DoChangeState();
}

void TCustomSmtpClient::CheckReady() const {
  if (FState != scReady && FState != scContinuing) {
    throw SmtpException("SMTP component not ready");
  }
}

void TCustomSmtpClient::CheckConnected() const {
  if (!FSessionUp) throw SmtpException("SMTP component not connected");
}

void TCustomSmtpClient::DoRequestDone(int Error) {
  if (FDoneSignalled) return;
  FDoneSignalled = true;
  if (Error == 0 && FResume) {
    if (FState != scAborting) SetState(scContinuing);
    (this->*FResume)();
    return;
  }
  SetState(scReady);
  // A request that ends drops whatever steps it had left, and the replies it still awaited, so
  // that no later request resumes or reads them.
  FAwaited.clear();
  FQueuedLines.clear();
  FMessageReady = false;
  FCompound = false;
  FSteps = 0;
  FResume = nullptr;
  FWindow->post({kRequestDoneMessage, 0, static_cast<std::intptr_t>(Error)});
}

// A request is in progress until it has signalled its end, also between the steps of a
// compound request.
bool TCustomSmtpClient::RequestInProgress() const {
  return !FDoneSignalled || FResume;
}

void TCustomSmtpClient::FailRequest(const std::string& message, int error) {
  if (!RequestInProgress()) return;
  FDoneSignalled = false;
  EndRequest(error, message);
}

void TCustomSmtpClient::FailSecurely(int error, const std::string& detail) {
  const bool handshake = error != authNotOffered && error != tlsStartTlsNotOffered;
  FLastResponse = secureFailureResponse(error, detail, handshake || FSocket->SslActive());
  FReplyCode = 500;
  DoDisplay("! " + FLastResponse);
  FailRequest(FLastResponse, error);
}

// Ends the request in progress, if any, with a failure of our own making.
void TCustomSmtpClient::EndRequest(int error, const std::string& message) {
  FErrorMessage = message;
  FOutcome = error;
  FResume = nullptr;
  DoRequestDone(error);
}

void TCustomSmtpClient::ExecCommand(TSmtpRequest request, const std::string& line,
                                    std::initializer_list<int> accepted, Continuation afterReply,
                                    const std::string& shown) {
  CheckReady();
  CheckConnected();
  QueueCommand(FStep, line, accepted, afterReply, shown);
  SendQueued(request);
}

void TCustomSmtpClient::QueueCommand(TSmtpStep step, const std::string& line,
                                     std::initializer_list<int> accepted, Continuation afterReply,
                                     const std::string& shown) {
  AwaitedReply& awaited = FAwaited.emplace_back();
  awaited.step = step;
  size_t count = 0;
  for (int code : accepted) {
    if (count < static_cast<size_t>(kMaxAcceptedCodes)) awaited.accepted[count++] = code;
  }
  awaited.accepted[count] = 0;
  awaited.afterReply = afterReply;
  const std::string& text = shown.empty() ? line : shown;
  DoCommand(text);
  DoDisplay("> " + text);
  FQueuedLines += line;
  FQueuedLines += "\r\n";
}

void TCustomSmtpClient::SendQueued(TSmtpRequest request) {
  if (!FCompound) {
    if (FDoneSignalled) FRefusedBy = TSmtpStep::None;
    FRqType = request;
  }
  FDoneSignalled = false;
  FNext = &TCustomSmtpClient::HandleReply;
  SetState(scAwaitingReply);
  const std::string lines = std::move(FQueuedLines);
  FQueuedLines.clear();
  if (FSocket->State() == wsConnected) {
    FSocket->SendText(lines);
    return;
  }
  // No reply can come for lines that never went out: the connection is gone, so the request
  // ends as for a lost connection instead of waiting for ever.
  FSessionUp = false;
  DoRequestDone(kErrorConnectionLost);
}

void TCustomSmtpClient::WriteCommand(const std::string& Line) {
  WriteLine(Line, Line);
}

void TCustomSmtpClient::WriteLine(const std::string& line, const std::string& shown) {
  DoCommand(shown);
  DoDisplay("> " + shown);
  if (FSocket->State() == wsConnected) {
    std::string wire = line + "\r\n";
    FSocket->SendText(wire);
    if (shown != line) wipeSecret(wire);
    return;
  }
  // No reply can come for a line that never went out: the connection is gone, so the request
  // ends as for a lost connection instead of waiting for ever.
  FSessionUp = false;
  DoRequestDone(kErrorConnectionLost);
}

void TCustomSmtpClient::HandleReply() {
  if (FAwaited.empty()) return DoDisplay("< " + FLastResponse);
  FStep = FAwaited.front().step;
  const bool last = ReadReplyLine();
  // EHLO's capabilities come one a line, continuation lines included.
  if (FStep == TSmtpStep::Ehlo && FState == scAwaitingReply) {
    addCapabilityLine(FCapabilities, FLastResponse);
  }
  if (!last || FAwaited.empty()) return;
  const AwaitedReply awaited = FAwaited.front();
  FAwaited.pop_front();
  FOutcome = FReplyCode;
  if (awaited.accepted[0] == 0) {
    if (FReplyCode < 500) FOutcome = 0;
  } else {
    for (size_t i = 0; awaited.accepted[i] != 0; ++i) {
      if (awaited.accepted[i] == FReplyCode) {
        FOutcome = 0;
        break;
      }
    }
  }
  if (FOutcome != 0) {
    if (FErrorMessage.empty()) FErrorMessage = FLastResponse;
    FRefusedBy = FStep;
  }
  if (awaited.afterReply) {
    (this->*awaited.afterReply)();
  } else {
    DoRequestDone(FOutcome);
  }
}

void TCustomSmtpClient::StartCompound(TSmtpRequest request, TSmtpSteps steps) {
  if (FSessionUp && (steps & stepBit(TSmtpStep::Connect))) {
    throw SmtpException("SMTP component already connected");
  }
  CheckReady();
  const Snapshot before(*this);
  FRqType = request;
  FOutcome = 0;
  FSteps = steps;
  FStep = TSmtpStep::None;
  FCompoundOutcome = 0;
  FCompound = true;
  FRefusedBy = TSmtpStep::None;
  FLastResponse.clear();
  FErrorMessage.clear();
  try {
    RunSteps();
  } catch (...) {
    before.restore(*this);
    throw;
  }
}

void TCustomSmtpClient::RunSteps() {
  FResume = &TCustomSmtpClient::RunSteps;
  static constexpr TSmtpStep kOrder[] = {
      TSmtpStep::Connect, TSmtpStep::Ehlo, TSmtpStep::Helo, TSmtpStep::StartTls,
      TSmtpStep::Auth,    TSmtpStep::Vrfy, TSmtpStep::Rset, TSmtpStep::MailFrom,
      TSmtpStep::RcptTo,  TSmtpStep::Data, TSmtpStep::Quit};
  for (TSmtpStep step : kOrder) {
    if (!(FSteps & stepBit(step))) continue;
    FStep = step;
    FSteps = TSmtpSteps(FSteps & ~stepBit(step));
    StartStep(step);
    return;
  }
  FSteps = 0;
  FResume = nullptr;
  FDoneSignalled = false;
  DoRequestDone(FCompoundOutcome);
}

void TCustomSmtpClient::StartStep(TSmtpStep step) {
  switch (step) {
    case TSmtpStep::Connect:
      return Connect();
    case TSmtpStep::Helo:
      return Helo();
    case TSmtpStep::Vrfy:
      return Vrfy();
    case TSmtpStep::MailFrom:
      return MailFrom();
    case TSmtpStep::RcptTo:
      return RcptTo();
    case TSmtpStep::Data:
      return Data();
    case TSmtpStep::Quit:
      return Quit();
    case TSmtpStep::Rset:
      return Rset();
    case TSmtpStep::Ehlo:
      return Ehlo();
    case TSmtpStep::StartTls:
      return StartTls();
    case TSmtpStep::Auth:
      return Auth();
    case TSmtpStep::None:
      return;
  }
}

void TCustomSmtpClient::Open() {
  if (FSessionUp) throw SmtpException("SMTP component already connected");
  CheckReady();
  TSmtpSteps steps = stepBit(TSmtpStep::Connect);
  if (!GreetsWithEhlo()) {
    steps |= stepBit(TSmtpStep::Helo);
  } else {
    steps |= stepBit(TSmtpStep::Ehlo);
    if (Security == TSmtpSecurity::StartTls) steps |= stepBit(TSmtpStep::StartTls);
    if (!Username.empty()) steps |= stepBit(TSmtpStep::Auth);
  }
  StartCompound(rqOpen, steps);
}

void TCustomSmtpClient::Mail() {
  CheckReady();
  FRefused.clear();
  FTaken.clear();
  FResetInEnvelope = false;
  TSmtpSteps steps =
      stepBit(TSmtpStep::MailFrom) | stepBit(TSmtpStep::RcptTo) | stepBit(TSmtpStep::Data);
  if (ResetBeforeMail) steps |= stepBit(TSmtpStep::Rset);
  StartCompound(rqMail, steps);
}

// ---- connection ----

void TCustomSmtpClient::Connect() {
  CheckReady();
  if (FSessionUp) throw SmtpException("SMTP component already connected");
  const Snapshot before(*this);
  if (!FCompound) FRqType = rqConnect;
  FDoneSignalled = false;
  FReplyLen = 0;
  FReplyLines = 0;
  FOutcome = 0;
  SetState(scLookingUp);
  FSocket->OnDataSent = nullptr;
  FCapabilities = {};
  FTlsSummary.clear();
  FSocket->SetSslOnConnect(Security == TSmtpSecurity::Tls);
  FSocket->SetSslHostName(trimmed(Host));
  FSocket->SetSslCaFile(CaFile);
  FSocket->OnDnsLookupDone = [this](TCustomWSocket&, std::uint16_t error) {
    SocketDnsLookupDone(error);
  };
  try {
    FSocket->DnsLookup(Host);
  } catch (...) {
    // Nothing was started: the client stays usable instead of stuck looking up.
    before.restore(*this);
    throw;
  }
}

void TCustomSmtpClient::SocketDnsLookupDone(int error) {
  if (error != 0) return ConnectFailed(error);
  try {
    FSocket->SetAddr(FSocket->DnsResult());
    FSocket->SetProto("tcp");
    FSocket->SetPort(Port);
    FSocket->OnSessionConnected = [this](TCustomWSocket&, std::uint16_t e) {
      SocketSessionConnected(e);
    };
    FSocket->OnDataAvailable = [this](TCustomWSocket&, std::uint16_t e) { SocketDataAvailable(e); };
    SetState(scConnecting);
    FSocket->Connect();
  } catch (const std::exception& e) {
    // An unusable port or a socket that cannot be made: the request ends with the reason
    // instead of the exception escaping into the event loop.
    FLastResponse =
        e.what() + std::string(" (Winsock error #") + std::to_string(kErrorInvalidArgument) + ")";
    FReplyCode = kErrorInvalidArgument;
    EndRequest(kErrorInvalidArgument, FLastResponse);
    FSocket->Abort();
  }
}

void TCustomSmtpClient::ConnectFailed(int error) {
  FLastResponse = IsTlsError(error) ? secureFailureResponse(error, FSocket->SslErrorDetail(), true)
                                    : socketErrorResponse(error);
  FReplyCode = 500;
  FSessionUp = false;
  if (FErrorMessage.empty()) FErrorMessage = FLastResponse;
  DoRequestDone(error);
}

void TCustomSmtpClient::SocketSessionConnected(int error) {
  if (error != 0) {
    ConnectFailed(error);
    FSocket->Close();
    SetState(scReady);
    return;
  }
  FSessionUp = true;
  // One command, then its reply: nothing may wait for the peer's acknowledgement of the last
  // write (Nagle), least of all the final "." of a message. A refusal only costs speed.
  platform::socketSetOption(FSocket->HSocket(), platform::SocketOption::NoDelay, true);
  if (Security == TSmtpSecurity::Tls) SecureConnectionUp();
  SetState(scAwaitingGreeting);
}

void TCustomSmtpClient::SecureConnectionUp() {
  FTlsSummary = FSocket->SslSummary();
  DoDisplay("Secure connection: " + FTlsSummary);
}

void TCustomSmtpClient::SocketSessionClosed(int error) {
  FSessionUp = false;
  DoSessionClosed(error);
  // Broken records say more than the lost connection: a TLS 1.3 server refuses a client without
  // a certificate only after the handshake.
  if (FSocket->SslBroken() != 0) FailSecurely(FSocket->SslBroken(), FSocket->SslErrorDetail());
  // Nothing of the message went while the RSET leading it was unanswered.
  if (!FAwaited.empty() && FAwaited.front().step == TSmtpStep::Rset) FRefusedBy = TSmtpStep::Rset;
  DoRequestDone(kErrorConnectionLost);
  if (FState != scReady && FState != scAborting) SetState(scReady);
}

void TCustomSmtpClient::Abort() {
  SetState(scAborting);
  try {
    FSocket->CancelLookup();
    FSocket->Abort();
  } catch (...) {
    SetState(scReady);
    throw;
  }
  SetState(scReady);
}

// ---- replies ----

void TCustomSmtpClient::SocketDataAvailable(int error) {
  const int room = kReplyPendingMax - FReplyLen;
  if (room <= 0) return;
  const int count = FSocket->Receive(FReplyBuffer.data() + FReplyLen, room);
  if (count <= 0) return;
  FReplyLen += count;
  FReplyBuffer[static_cast<size_t>(FReplyLen)] = '\0';
  while (FReplyLen > 0) {
    std::optional<std::string> line = takeReplyLine(FReplyBuffer.data(), FReplyLen);
    if (!line) break;
    FLastResponse = std::move(*line);
    // Whatever a reply sets going (the next step, a handler) raises here, where no caller can
    // catch it: it ends the request instead of leaving it open for ever.
    try {
      DoResponse(FLastResponse);
      ReplyLineReceived(error);
    } catch (const std::exception& e) {
      FailRequest(e.what(), kErrorInvalidArgument);
    }
    if (!FSessionUp) return;  // what follows a closed conversation means nothing
  }
  if (FReplyLen < kReplyPendingMax) return;
  // The buffer is full and holds no line end: no reply can ever be completed, so the
  // conversation is over rather than stuck.
  BreakOff(replyLineTooLong, ownFailureResponse(replyLineTooLong));
}

// Shows and reads one line of the awaited reply; true when it is the reply's last line. Lines
// that are no reply, and replies that never end, break the conversation off.
bool TCustomSmtpClient::ReadReplyLine() {
  DoDisplay("< " + FLastResponse);
  const ReplyCode reply = parseReplyCode(FLastResponse);
  if (!reply.wellFormed) {
    BreakOff(notAnSmtpReply,
             ownFailureResponse(notAnSmtpReply, "\"" + printableText(FLastResponse) + "\""));
    return false;
  }
  FReplyCode = reply.code;
  if (!reply.continuation) {
    FReplyLines = 0;
    FReplyTimer.setEnabled(false);
    return true;
  }
  // A reply that trickles in line by line gets so much time from its first line on; silence
  // before that is the waiting caller's to judge.
  if (FReplyLines == 0) {
    FReplyTimer.setInterval(ReplyTimeLimitMs);
    FReplyTimer.setEnabled(true);
  }
  if (++FReplyLines >= kReplyLinesMax) {
    BreakOff(replyTooLong, ownFailureResponse(replyTooLong));
  }
  return false;
}

void TCustomSmtpClient::ReplyTimedOut() {
  if (FState != scAwaitingReply && FState != scAwaitingGreeting) return;
  BreakOff(platform::WSAETIMEDOUT, socketErrorResponse(platform::WSAETIMEDOUT));
}

void TCustomSmtpClient::BreakOff(int error, const std::string& response) {
  FLastResponse = response;
  DoDisplay("! " + response);
  FReplyLen = 0;
  FReplyLines = 0;
  FReplyCode = error;
  EndRequest(error, response);
  Abort();
}

void TCustomSmtpClient::ReplyLineReceived(int error) {
  switch (FState) {
    case scAwaitingGreeting: {
      if (!ReadReplyLine()) return;
      if (FReplyCode != 220) {
        if (FErrorMessage.empty()) FErrorMessage = FLastResponse;
        FOutcome = FReplyCode;
        FSocket->Close();
        return;
      }
      SetState(scConnected);
      DoSessionConnected(error);
      DoRequestDone(0);
      return;
    }
    case scAwaitingReply:
      if (!FNext) throw SmtpException("Program error: FNext is nil");
      (this->*FNext)();
      return;
    default:
      DoDisplay("< " + FLastResponse);
      return;
  }
}

// ---- the secure session ----

void TCustomSmtpClient::Ehlo() {
  FStep = TSmtpStep::Ehlo;
  FCapabilities = {};
  const std::string name = SignOn.empty() ? greetingName(*FSocket) : SignOn;
  ExecCommand(rqOpen, "EHLO " + singleLine(name), {250}, &TCustomSmtpClient::EhloReplied);
}

// A server that refuses EHLO may still know HELO; the steps that need a capability then find
// it missing and say so.
void TCustomSmtpClient::EhloReplied() {
  if (FOutcome != 0) FCapabilities = {};
  if (FOutcome == 0 || FReplyCode / 100 != 5) return DoRequestDone(FOutcome);
  FOutcome = 0;
  FErrorMessage.clear();
  FSteps = TSmtpSteps(FSteps | stepBit(TSmtpStep::Helo));
  DoRequestDone(0);
}

void TCustomSmtpClient::StartTls() {
  FStep = TSmtpStep::StartTls;
  if (!FCapabilities.startTls) {
    // Never on in cleartext: the connection goes with nothing more sent.
    FailSecurely(tlsStartTlsNotOffered, "host " + trimmed(Host));
    FSocket->Close();
    return;
  }
  ExecCommand(rqOpen, "STARTTLS", {220}, &TCustomSmtpClient::StartTlsReplied);
}

void TCustomSmtpClient::StartTlsReplied() {
  if (FOutcome != 0) {
    DoRequestDone(FOutcome);
    FSocket->Close();
    return;
  }
  // Whatever came with the 220 was sent before the handshake could protect it: it is thrown
  // away, never read as a reply (curl's CVE-2021-22947).
  FReplyLen = 0;
  FSocket->OnSslHandshakeDone = [this](TCustomWSocket&, std::uint16_t error) {
    SslHandshakeDone(error);
  };
  FSocket->StartTls();
}

// After a failure the layer closes the connection: nothing more goes out.
void TCustomSmtpClient::SslHandshakeDone(int error) {
  FSocket->OnSslHandshakeDone = nullptr;
  if (error != 0) return FailSecurely(error, FSocket->SslErrorDetail());
  SecureConnectionUp();
  // Only what the server offers over TLS counts.
  FCapabilities = {};
  FSteps = TSmtpSteps(FSteps | stepBit(TSmtpStep::Ehlo));
  DoRequestDone(0);
}

void TCustomSmtpClient::Auth() {
  FStep = TSmtpStep::Auth;
  const std::vector<std::string>& offered = FCapabilities.authMechanisms;
  const std::optional<SaslMechanism> mechanism = chooseSasl(wantedSasl(AuthType), offered);
  if (!mechanism) {
    std::string list;
    for (const std::string& name : offered) list += " " + name;
    return FailSecurely(authNotOffered,
                        list.empty() ? "the server offers no AUTH" : "the server offers" + list);
  }
  wipeSecrets(FAuthAnswers);
  FAuthAnswers = saslAnswers(*mechanism, Username, Password);
  const std::string name = saslName(*mechanism);
  if (*mechanism == SaslMechanism::Plain) {
    std::string line = "AUTH PLAIN " + FAuthAnswers.front();
    wipeSecrets(FAuthAnswers);
    ExecCommand(rqOpen, line, {235}, &TCustomSmtpClient::AuthReplied,
                std::string("AUTH PLAIN ") + kHiddenSecret);
    return wipeSecret(line);
  }
  // XOAUTH2's token goes after the 334 on a line of its own: tokens run past a command line's
  // length.
  ExecCommand(rqOpen, "AUTH " + name, {235, 334}, &TCustomSmtpClient::AuthReplied);
}

void TCustomSmtpClient::AuthReplied() {
  if (FOutcome != 0 || FReplyCode != 334) {
    wipeSecrets(FAuthAnswers);
    return DoRequestDone(FOutcome);
  }
  SetState(scContinuing, false);
  if (FAuthAnswers.empty()) {
    // A challenge after the last answer carries the server's reason (XOAUTH2's error): an
    // empty line asks for the final reply.
    return ExecCommand(rqOpen, "", {235}, &TCustomSmtpClient::AuthReplied);
  }
  std::string answer = FAuthAnswers.front();
  wipeSecret(FAuthAnswers.front());
  FAuthAnswers.erase(FAuthAnswers.begin());
  ExecCommand(rqOpen, answer, {235, 334}, &TCustomSmtpClient::AuthReplied, kHiddenSecret);
  wipeSecret(answer);
}

// ---- single commands ----

void TCustomSmtpClient::Helo() {
  CheckReady();
  CheckConnected();
  const std::string name = SignOn.empty() ? greetingName(*FSocket) : SignOn;
  FStep = TSmtpStep::Helo;
  ExecCommand(rqHelo, "HELO " + singleLine(name), {250}, nullptr);
}

void TCustomSmtpClient::Vrfy() {
  FStep = TSmtpStep::Vrfy;
  ExecCommand(rqVrfy, "VRFY " + singleLine(HdrTo), {250}, nullptr);
}

std::string TCustomSmtpClient::MailFromLine() const {
  std::string parameters = singleLine(trimmed(MailParameters));
  auto add = [&parameters](const std::string& parameter) {
    if (!parameter.empty()) parameters += (parameters.empty() ? "" : " ") + parameter;
  };
  add(FSizeParameter);
  add(FSmtpUtf8 ? "SMTPUTF8" : "");
  return "MAIL FROM:<" + FSenderPath + ">" + (parameters.empty() ? "" : " " + parameters);
}

// RFC 5321 4.5.1: every server takes mail for its postmaster without a domain.
std::optional<std::string> TCustomSmtpClient::EnvelopePath(const std::string& address,
                                                           std::string& refusal) const {
  if (strcasecmp(address.c_str(), "postmaster") == 0) return address;
  std::string fault;
  const std::optional<EnvelopeAddress> path = envelopeAddress(address, &fault);
  if (!path) {
    refusal = ownFailureResponse(addressNotValid, fault);
  } else if (path->needsSmtpUtf8 && !FCapabilities.smtpUtf8) {
    refusal = ownFailureResponse(addressNeedsSmtpUtf8);
  } else {
    return path->text;
  }
  return std::nullopt;
}

// Addresses go out with their domains in ASCII; one the envelope cannot carry is refused here,
// before any command, never sent as it stands.
void TCustomSmtpClient::PrepareRecipients() {
  FRecipients.clear();
  FRefused.clear();
  FTaken.clear();
  FLocalRefusal = 0;
  for (const std::string& name : RcptName) {
    const std::string address = trimmed(name);
    std::string refusal;
    if (std::optional<std::string> path = EnvelopePath(address, refusal)) {
      FRecipients.push_back({address, "RCPT TO:<" + *path + ">"});
      continue;
    }
    FRefused.push_back({address, refusal});
    FLocalRefusal =
        refusal.find("SMTPUTF8") != std::string::npos ? addressNeedsSmtpUtf8 : addressNotValid;
  }
}

bool TCustomSmtpClient::PrepareSender() {
  const std::string sender = trimmed(FromName);
  FSenderPath.clear();
  FSmtpUtf8 = false;
  std::string refusal;
  if (!sender.empty()) {
    std::optional<std::string> path = EnvelopePath(sender, refusal);
    if (!path) {
      RefuseLocally(
          TSmtpStep::MailFrom,
          refusal.find("SMTPUTF8") != std::string::npos ? addressNeedsSmtpUtf8 : addressNotValid,
          refusal + ", sender " + printableText(sender));
      return false;
    }
    FSenderPath = *path;
  }
  // RFC 6531: one address beyond ASCII asks for SMTPUTF8 for the whole transaction.
  auto beyondAscii = [](const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  };
  FSmtpUtf8 = beyondAscii(FSenderPath) ||
              std::any_of(FRecipients.begin(), FRecipients.end(),
                          [&](const Recipient& r) { return beyondAscii(r.line); });
  if (FRecipients.empty() && !RcptName.empty() && FCompound &&
      (FSteps & stepBit(TSmtpStep::RcptTo))) {
    // Nobody could be sent the message: no transaction is begun for it.
    RefuseLocally(TSmtpStep::RcptTo, FLocalRefusal, FRefused.back().reply);
    return false;
  }
  return true;
}

void TCustomSmtpClient::RefuseLocally(TSmtpStep by, int error, const std::string& text) {
  if (!FCompound) FRqType = by == TSmtpStep::MailFrom ? rqMailFrom : rqRcptTo;
  FDoneSignalled = false;
  FLastResponse = text;
  FReplyCode = error;
  DoDisplay("! " + text);
  EndRequest(error, text);
  FRefusedBy = by;
}

bool TCustomSmtpClient::PrepareMessage() {
  FSizeParameter.clear();
  if (!FCompound || !(FSteps & stepBit(TSmtpStep::Data))) return true;
  BeginMessage();
  FMessageReady = true;
  if (!FCapabilities.sizeOffered) return true;
  std::uint64_t size = 0;
  try {
    size = MeasureMessage();
  } catch (...) {
    FMessageReady = false;
    throw;
  }
  const std::uint64_t limit = FCapabilities.size;
  if (limit == 0 || size <= limit) {
    FSizeParameter = "SIZE=" + std::to_string(size);
    return true;
  }
  // Rather than minutes of upload for a refusal at the end: nothing goes out.
  const std::string text = "the message would be " + megabytes(size, true) +
                           ", the server takes at most " + megabytes(limit, false);
  DoDisplay("! " + text);
  FailRequest(text, messageTooBig);
  return false;
}

std::uint64_t TCustomSmtpClient::MeasureMessage() {
  FMeasuring = true;
  FMeasured = 0;
  std::uint64_t stuffed = 0;
  try {
    bool more = true;
    while (more) {
      FSendBlock.clear();
      more = FillSendBlock();
      FMeasured += FSendBlock.size();
    }
  } catch (...) {
    FMeasuring = false;
    FSendBlock.clear();
    throw;
  }
  stuffed = FStuffedDots;
  FMeasuring = false;
  FSendBlock.clear();
  RewindMessage();
  return FMeasured - stuffed;
}

void TCustomSmtpClient::MailFrom() {
  CheckReady();
  CheckConnected();
  FStep = TSmtpStep::MailFrom;
  PrepareRecipients();
  if (!PrepareSender() || !PrepareMessage()) return;
  if (Pipelines()) return SendEnvelope();
  ExecCommand(rqMailFrom, MailFromLine(), {250}, nullptr);
}

bool TCustomSmtpClient::Pipelines() const {
  const TSmtpSteps rest = stepBit(TSmtpStep::RcptTo) | stepBit(TSmtpStep::Data);
  return FCapabilities.pipelining && FCompound && (FSteps & rest) == rest && !FRecipients.empty();
}

// RFC 2920: the envelope and DATA in one write, each reply checked in turn. The message goes
// only when the sender and at least one recipient were taken, whatever DATA's reply says.
void TCustomSmtpClient::SendEnvelope() {
  CheckReady();
  CheckConnected();
  FSteps = TSmtpSteps(FSteps & ~(stepBit(TSmtpStep::RcptTo) | stepBit(TSmtpStep::Data)));
  FCursor = -1;
  FEnvelopeOutcome = 0;
  FEnvelopeRefusedBy = TSmtpStep::None;
  if (FResetInEnvelope) {
    FResetInEnvelope = false;
    QueueCommand(TSmtpStep::Rset, "RSET", {250}, &TCustomSmtpClient::EnvelopeReplied);
  }
  QueueCommand(TSmtpStep::MailFrom, MailFromLine(), {250}, &TCustomSmtpClient::EnvelopeReplied);
  for (const Recipient& recipient : FRecipients) {
    QueueCommand(TSmtpStep::RcptTo, recipient.line, {250, 251},
                 &TCustomSmtpClient::EnvelopeReplied);
  }
  QueueCommand(TSmtpStep::Data, "DATA", {354}, &TCustomSmtpClient::EnvelopeDataReplied);
  SendQueued(rqMailFrom);
}

void TCustomSmtpClient::EnvelopeReplied() {
  if (FStep == TSmtpStep::Rset || FStep == TSmtpStep::MailFrom) {
    // The first refusal is the one that counts: what follows a refused RSET says nothing new.
    if (FOutcome != 0 && FEnvelopeRefusedBy == TSmtpStep::None) {
      FEnvelopeOutcome = FOutcome;
      FEnvelopeRefusedBy = FStep;
    }
    return;
  }
  ++FCursor;
  // After a refused RSET or sender the recipients' refusals say nothing about them.
  if (FEnvelopeRefusedBy != TSmtpStep::None) return;
  if (FOutcome == 0) {
    FTaken.push_back(FRecipients[static_cast<size_t>(FCursor)].address);
    return;
  }
  FRefused.push_back({FRecipients[static_cast<size_t>(FCursor)].address, FLastResponse});
  FEnvelopeOutcome = FOutcome;
}

void TCustomSmtpClient::EnvelopeDataReplied() {
  if (FEnvelopeRefusedBy == TSmtpStep::None && FTaken.empty()) {
    FEnvelopeRefusedBy = TSmtpStep::RcptTo;
  }
  if (FEnvelopeRefusedBy == TSmtpStep::None) return DataReplied();
  FRefusedBy = FEnvelopeRefusedBy;
  if (FReplyCode != 354) {
    FOutcome = FEnvelopeOutcome;
    return DoRequestDone(FOutcome);
  }
  // The server took DATA though nobody can receive the message: an empty one ends it.
  SetState(scContinuing, false);
  ExecCommand(rqData, ".", {}, &TCustomSmtpClient::AbandonedDataReplied);
}

void TCustomSmtpClient::AbandonedDataReplied() {
  FRefusedBy = FEnvelopeRefusedBy;
  FOutcome = FEnvelopeOutcome;
  DoRequestDone(FOutcome);
}

void TCustomSmtpClient::Rset() {
  FStep = TSmtpStep::Rset;
  const TSmtpSteps envelope =
      stepBit(TSmtpStep::MailFrom) | stepBit(TSmtpStep::RcptTo) | stepBit(TSmtpStep::Data);
  if (FCompound && FCapabilities.pipelining && (FSteps & envelope) == envelope &&
      !RcptName.empty()) {
    // RFC 2920 lets RSET lead the envelope's group: one round trip less per message.
    CheckConnected();
    FResetInEnvelope = true;
    FSteps = TSmtpSteps(FSteps & ~stepBit(TSmtpStep::MailFrom));
    return MailFrom();
  }
  ExecCommand(rqRset, "RSET", {250}, nullptr);
}

void TCustomSmtpClient::Quit() {
  CheckReady();
  FStep = TSmtpStep::Quit;
  if (FSessionUp) {
    ExecCommand(rqQuit, "QUIT", {221}, nullptr);
    return;
  }
  if (!FCompound) FRqType = rqQuit;
  FDoneSignalled = false;
  DoRequestDone(0);
}

void TCustomSmtpClient::RcptTo() {
  if (RcptName.empty()) throw SmtpException("RcptName list is empty");
  CheckReady();
  CheckConnected();
  FCursor = -1;
  PrepareRecipients();
  if (FRecipients.empty())
    return RefuseLocally(TSmtpStep::RcptTo, FLocalRefusal, FRefused.back().reply);
  SendRecipient();
}

void TCustomSmtpClient::SendRecipient() {
  ++FCursor;
  FStep = TSmtpStep::RcptTo;
  ExecCommand(rqRcptTo, FRecipients[static_cast<size_t>(FCursor)].line, {250, 251},
              &TCustomSmtpClient::RecipientReplied);
}

// Every recipient is tried. The message goes to those the server took; the step fails only
// when it took none, with the last refusal.
void TCustomSmtpClient::RecipientReplied() {
  const size_t tried = static_cast<size_t>(FCursor) + 1;
  if (FOutcome == 0) {
    FTaken.push_back(FRecipients[tried - 1].address);
  } else {
    FRefused.push_back({FRecipients[tried - 1].address, FLastResponse});
  }
  if (tried < FRecipients.size()) {
    SetState(scContinuing, false);
    SendRecipient();
    return;
  }
  DoRequestDone(!FTaken.empty() ? 0 : FOutcome);
}

// ---- the message ----

void TCustomSmtpClient::Data() {
  CheckReady();
  CheckConnected();
  if (!FMessageReady) BeginMessage();
  FMessageReady = false;
  FStep = TSmtpStep::Data;
  ExecCommand(rqData, "DATA", {354}, &TCustomSmtpClient::DataReplied);
}

void TCustomSmtpClient::BeginMessage() {
  FHeader.clear();
  FHeader.push_back("From: " + singleLine(HdrFrom));
  FHeader.push_back("To: " + singleLine(HdrTo));
  FHeader.push_back("Subject: " + singleLine(HdrSubject));
  FHeader.push_back("Mime-Version: 1.0");
  FHeader.push_back("Content-Type: text/plain; charset=\"" + singleLine(CharSet) + "\"");
  FHeader.push_back("Date: " + FormatMailDate(std::time(nullptr)));
  DoBuildHeader(FHeader);
  FHeader.push_back("");
  RewindMessage();
}

void TCustomSmtpClient::RewindMessage() {
  FBodyLine = 0;
  FMoreBody = true;
  FHeaderCursor = 0;
  FStuffedDots = 0;
}

void TCustomSmtpClient::WriteMessage(const std::function<void(const std::string&)>& out) {
  CheckReady();
  BeginMessage();
  bool more = true;
  while (more) {
    FSendBlock.clear();
    more = FillSendBlock();
    out(FSendBlock);
  }
  FSendBlock.clear();
}

void TCustomSmtpClient::DataReplied() {
  if (FOutcome != 0) {
    DoRequestDone(FOutcome);
    return;
  }
  ContinueData();
}

void TCustomSmtpClient::ContinueData() {
  SetState(scContinuing, false);
  DataNext();
}

// The message goes out in blocks. While the connection takes each block whole, the next is
// made in the same turn of the loop, within a budget that keeps the window answering; otherwise
// it is made when the socket reports the last one sent. So memory holds one block, whatever
// the size of the message.
void TCustomSmtpClient::DataNext() {
  if (!FSessionUp) {
    FSocket->OnDataSent = nullptr;
    return;
  }
  const auto turnEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSendTurnMs);
  size_t sentThisTurn = 0;
  for (;;) {
    FSendBlock.clear();
    bool more = false;
    try {
      more = FillSendBlock();
    } catch (const std::exception& e) {
      return AbortData(e.what());
    } catch (...) {
      return AbortData("The message body could not be produced");
    }
    const int length = static_cast<int>(FSendBlock.size());
    if (!more) {
      FSocket->OnDataSent = nullptr;
      FSocket->QueueData(FSendBlock.data(), length);
      ExecCommand(rqData, ".", {250}, &TCustomSmtpClient::DataEndReplied);
      return;
    }
    FSocket->OnDataSent = [this](TCustomWSocket&, std::uint16_t) { ContinueData(); };
    sentThisTurn += FSendBlock.size();
    if (sentThisTurn >= static_cast<size_t>(kSendTurnBytes) ||
        std::chrono::steady_clock::now() >= turnEnd) {
      FSocket->Send(FSendBlock.data(), length);
      return;
    }
    if (!FSocket->SendAtOnce(FSendBlock.data(), length) || !FSessionUp) return;
  }
}

void TCustomSmtpClient::DataEndReplied() {
  if (FOutcome == 0) DoMessageAccepted(FLastResponse);
  DoRequestDone(FOutcome);
}

// A message that cannot be produced whole is never ended with ".": what was made goes out, then
// the connection goes, and the server throws the partial message away.
void TCustomSmtpClient::AbortData(const std::string& failure) {
  FSocket->OnDataSent = nullptr;
  if (!FSendBlock.empty() && FSocket->State() == wsConnected) {
    FSocket->Send(FSendBlock.data(), static_cast<int>(FSendBlock.size()));
  }
  EndRequest(kErrorConnectionAborted, failure);
  Abort();
}

// Header and body lines into the send block until it is full; false once the body has ended.
bool TCustomSmtpClient::FillSendBlock() {
  while (FSendBlock.size() < static_cast<size_t>(kSendBlockSize)) {
    if (FHeaderCursor < FHeader.size()) {
      AppendHeaderLine(FHeader[FHeaderCursor++]);
      continue;
    }
    if (!FMoreBody) return false;
    const size_t start = FSendBlock.size();
    bool block = false;
    try {
      block = DoGetDataBlock(FSendBlock, kSendBlockSize);
    } catch (...) {
      ShowBlockLines(start);
      throw;
    }
    if (block) {
      ShowBlockLines(start);
      continue;
    }
    ++FBodyLine;
    FBodyBuffer[0] = '\0';
    DoGetData(FBodyLine, FBodyBuffer.data(), FMoreBody, kBodyMaxLen);
    if (!FMoreBody) return false;
    AppendBodyLine();
  }
  return true;
}

void TCustomSmtpClient::AppendHeaderLine(const std::string& line) {
  // A line too long for the line buffer gets room beyond itself for the hooks, instead of
  // being cut.
  const size_t size = std::max(static_cast<size_t>(kLineBufferSize),
                               line.size() + 1 + static_cast<size_t>(kHeaderHookRoom));
  FHeaderBuffer.assign(size, '\0');
  std::memcpy(FHeaderBuffer.data(), line.data(), line.size());
  DoHeaderLine(FHeaderBuffer.data(), static_cast<int>(size));
  FHeaderBuffer.back() = '\0';
  FSendBlock += foldHeaderLine(FHeaderBuffer.data());
  FSendBlock += "\r\n";
}

void TCustomSmtpClient::AppendBodyLine() {
  const std::string_view text(FBodyBuffer.data(),
                              strnlen(FBodyBuffer.data(), static_cast<size_t>(kBodyMaxLen)));
  for (std::string_view piece : splitBodyLine(text)) {
    const size_t start = FSendBlock.size();
    if (!piece.empty() && piece[0] == '.') {
      FSendBlock += '.';
      ++FStuffedDots;
    }
    FSendBlock += piece;
    FSendBlock += "\r\n";
    ShowBlockLines(start);
  }
}

void TCustomSmtpClient::ShowBlockLines(size_t from) {
  if (FMeasuring) return;
  while (from < FSendBlock.size()) {
    const size_t end = FSendBlock.find("\r\n", from);
    if (end == std::string::npos) return;
    FShownLine.assign("> ").append(FSendBlock, from, end - from);
    DoDisplay(FShownLine);
    from = end + 2;
  }
}

}  // namespace zelvaro::net
