#pragma once

// The non-blocking SMTP client (RFC 821: HELO, MAIL, RCPT, DATA, RSET, VRFY, QUIT; one command
// outstanding at a time), with EHLO, STARTTLS, TLS from the first byte and AUTH when asked. Every
// request returns at once and ends later, exactly once, with OnRequestDone delivered from the event
// loop after the handler that ended it has returned.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/smtp_limits.h"
#include "net/smtp_reply.h"
#include "net/tls_errors.h"
#include "platform/eventloop.h"

namespace zelvaro::net {

class TWSocket;
class TCustomSmtpClient;

// Misuse of the client (wrong state, missing setting).
class SmtpException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum TSmtpRequest : int {
  rqConnect,
  rqHelo,
  rqMailFrom,
  rqVrfy,
  rqRcptTo,
  rqData,
  rqQuit,
  rqRset,
  rqOpen,
  rqMail
};

enum TSmtpClientState : int {
  scReady,
  scLookingUp,
  scConnecting,
  scConnected,
  scContinuing,
  scAwaitingGreeting,
  scAwaitingReply,
  scAborting
};

// Steps of the compound requests; each step's number is its bit in the set of pending steps.
enum class TSmtpStep : int {
  None,
  Helo,
  Connect,
  MailFrom,
  RcptTo,
  Data,
  Vrfy,
  Quit,
  Rset,
  Ehlo,
  StartTls,
  Auth
};
using TSmtpSteps = std::uint16_t;
constexpr TSmtpSteps stepBit(TSmtpStep step) {
  return TSmtpSteps(1u << static_cast<int>(step));
}

// None: plain HELO, as always. StartTls: EHLO, then STARTTLS, which the server must offer.
// Tls: TLS from the first byte.
enum class TSmtpSecurity { None, StartTls, Tls };
// Auto: PLAIN, else LOGIN, among the mechanisms the server offers.
enum class TSmtpAuthType { Auto, Plain, Login, XOAuth2 };

using TSmtpDisplay = std::function<void(TCustomSmtpClient& Sender, const std::string& Msg)>;
// Msg is a zero-terminated line the handler may rewrite within Size bytes, terminator included;
// it may embed CR LF to add header lines.
using TSmtpHeaderLineEvent = std::function<void(TCustomSmtpClient& Sender, char* Msg, int Size)>;
// Writes body line LineNum (from 1) into MsgLine, at most MaxLen bytes with the terminator, or
// sets More to false when the body has ended.
using TSmtpGetDataEvent = std::function<void(TCustomSmtpClient& Sender, int LineNum, char* MsgLine,
                                             int MaxLen, bool& More)>;
// Error: 0, an SMTP reply code or a socket error number, never cut to fewer bits.
using TSmtpRequestDone =
    std::function<void(TCustomSmtpClient& Sender, TSmtpRequest RqType, int Error)>;
using TSmtpNotify = std::function<void(TCustomSmtpClient& Sender)>;
using TSmtpSessionEvent = std::function<void(TCustomSmtpClient& Sender, std::uint16_t Error)>;
// The server took the message: Reply is its answer to the end of the data, "250 2.0.0 Ok: queued
// as 4QzX1". Raised the moment that reply arrives, before the request ends and before anything
// else is sent, so that the caller can record the delivery before the connection may be lost.
using TSmtpMessageAccepted =
    std::function<void(TCustomSmtpClient& Sender, const std::string& Reply)>;
using TSmtpBuildHeader =
    std::function<void(TCustomSmtpClient& Sender, std::vector<std::string>& Header)>;

class TCustomSmtpClient {
 public:
  // The message number of the request-done notification.
  static constexpr unsigned kRequestDoneMessage = 1025;

  TCustomSmtpClient();
  virtual ~TCustomSmtpClient();
  TCustomSmtpClient(const TCustomSmtpClient&) = delete;
  TCustomSmtpClient& operator=(const TCustomSmtpClient&) = delete;

  std::string Host;
  std::string Port = "smtp";
  // The name HELO and EHLO give; empty: this machine's fully qualified name, else the address
  // literal of the connection's own end.
  std::string SignOn;
  std::string FromName;
  // After MAIL FROM's address, for instance "BODY=8BITMIME"; empty: nothing.
  std::string MailParameters;
  std::vector<std::string> RcptName;
  std::string HdrFrom;
  std::string HdrTo;  // also the argument of VRFY
  std::string HdrSubject;
  std::string CharSet = "iso-8859-1";
  int Tag = 0;
  // Mail begins with RSET, for a further message on the connection: in the envelope's one write
  // where the server pipelines, else on its own.
  bool ResetBeforeMail = false;
  // The longest a reply of several lines may take, from its first line to its last.
  int ReplyTimeLimitMs = smtp_limits::kReplyTimeLimitMs;

  TSmtpSecurity Security = TSmtpSecurity::None;
  TSmtpAuthType AuthType = TSmtpAuthType::Auto;
  std::string Username;  // empty: no AUTH
  std::string Password;  // the password, or the access token for XOAuth2
  std::string CaFile;    // a PEM file of further trusted certificates

  // The reply line or built text of the first failure of the current request.
  const std::string& ErrorMessage() const { return FErrorMessage; }
  // The last reply line received, without its line end.
  const std::string& LastResponse() const { return FLastResponse; }
  TSmtpClientState State() const { return FState; }
  // The connection is up (from the TCP connection until it closes).
  bool Connected() const { return FSessionUp; }
  struct RefusedRecipient {
    std::string address;
    std::string reply;  // the server's last reply line
  };
  // The recipients the server refused in the last message, in order.
  const std::vector<RefusedRecipient>& RefusedRecipients() const { return FRefused; }
  // The command whose refusal ended the last request (MailFrom: the sender was refused; RcptTo:
  // no recipient was taken; Rset: the RSET that began Mail was refused, or the connection was
  // lost before it was answered, so nothing of the message went); None when no refusal of a
  // command ended it.
  TSmtpStep RefusedBy() const { return FRefusedBy; }
  // The recipients the server took for the last message, in order.
  const std::vector<std::string>& AcceptedRecipients() const { return FTaken; }
  // What the last EHLO reply announced; empty after HELO.
  const SmtpCapabilities& Capabilities() const { return FCapabilities; }
  // Open greets with EHLO, which names this machine itself, rather than HELO with SignOn.
  bool GreetsWithEhlo() const { return Security != TSmtpSecurity::None || !Username.empty(); }
  // One line while TLS is up: protocol, cipher, the certificate's subject, issuer and expiry.
  const std::string& TlsSummary() const { return FTlsSummary; }

  TSmtpDisplay OnDisplay;
  TSmtpDisplay OnCommand;
  TSmtpDisplay OnResponse;
  TSmtpGetDataEvent OnGetData;
  TSmtpHeaderLineEvent OnHeaderLine;
  TSmtpRequestDone OnRequestDone;
  TSmtpNotify OnEngineState;
  TSmtpSessionEvent OnSessionConnected;
  TSmtpSessionEvent OnSessionClosed;
  TSmtpBuildHeader OnBuildHeader;
  TSmtpMessageAccepted OnMessageAccepted;

  virtual void Connect();
  virtual void Helo();
  virtual void Vrfy();
  virtual void MailFrom();
  virtual void RcptTo();
  virtual void Data();
  virtual void Quit();
  virtual void Rset();
  virtual void Abort();
  // Connect (with the TLS handshake for Tls) and HELO; or, when Security is set or a Username
  // is, EHLO, STARTTLS and EHLO again for StartTls, and AUTH.
  virtual void Open();
  // MAIL FROM, RCPT TO for every recipient, DATA with the header and the body.
  virtual void Mail();
  // The message DATA would send, block by block as it would go on the wire (dot-stuffed, CR LF,
  // without the final "."), to `out` instead of a server; no connection needed.
  void WriteMessage(const std::function<void(const std::string& block)>& out);

 protected:
  virtual void DoDisplay(const std::string& Msg);
  virtual void DoCommand(const std::string& Msg);
  virtual void DoResponse(const std::string& Msg);
  virtual void DoRequestDone(int Error);
  virtual void DoChangeState();
  virtual void DoGetData(int LineNum, char* MsgLine, bool& More, int MaxLen);
  virtual void DoHeaderLine(char* Msg, int Size);
  // Appends the next body lines that go out as they are (none begins with "." or holds a line
  // break), each with its CR LF, to `Block` until it holds about `Limit` bytes; false when the
  // next line must come through DoGetData. A source of many such lines fills a send block at
  // once this way; each line is still shown through DoDisplay. The engine's own has none.
  virtual bool DoGetDataBlock(std::string& Block, size_t Limit);
  virtual void DoBuildHeader(std::vector<std::string>& Header);
  virtual void DoMessageAccepted(const std::string& Reply);
  // Makes the header and readies the body for DATA or WriteMessage.
  virtual void BeginMessage();
  // Readies the body to be produced again from its first line, the header kept.
  virtual void RewindMessage();
  // The message is being measured, not sent: DoGetDataBlock may count the octets a block would
  // hold with AddMeasured instead of making it.
  bool Measuring() const { return FMeasuring; }
  void AddMeasured(std::uint64_t octets) { FMeasured += octets; }
  virtual void DoSessionConnected(int Error);
  virtual void DoSessionClosed(int Error);
  virtual void WriteCommand(const std::string& Line);
  virtual void WndProc(const platform::Notification& Msg);

 private:
  using Continuation = void (TCustomSmtpClient::*)();
  class NotificationWindow;
  struct Snapshot;

  // The one place the state changes; `announce` false for the quiet moves to scContinuing
  // between the lines of one command.
  void SetState(TSmtpClientState state, bool announce = true);
  void CheckReady() const;
  void CheckConnected() const;

  // `shown` stands in for the line on the monitor when it carries a secret.
  void ExecCommand(TSmtpRequest request, const std::string& line,
                   std::initializer_list<int> accepted, Continuation afterReply,
                   const std::string& shown = {});
  // Queues a command to go out with the next ones in one write (RFC 2920); SendQueued sends
  // them, and their replies are handled in order.
  void QueueCommand(TSmtpStep step, const std::string& line, std::initializer_list<int> accepted,
                    Continuation afterReply, const std::string& shown = {});
  void SendQueued(TSmtpRequest request);
  void WriteLine(const std::string& line, const std::string& shown);
  void HandleReply();
  void StartCompound(TSmtpRequest request, TSmtpSteps steps);
  void RunSteps();
  void StartStep(TSmtpStep step);
  bool RequestInProgress() const;
  void EndRequest(int error, const std::string& message);
  void FailRequest(const std::string& message, int error);
  // Ends the request with a failure of the secure session's own (tls_errors.h).
  void FailSecurely(int error, const std::string& detail);
  // Ends the request and the connection: the conversation can no longer be followed.
  void BreakOff(int error, const std::string& response);
  bool ReadReplyLine();
  void ReplyTimedOut();

  void SocketDnsLookupDone(int error);
  void SocketSessionConnected(int error);
  void SocketSessionClosed(int error);
  void SocketDataAvailable(int error);
  void ReplyLineReceived(int error);
  void ConnectFailed(int error);
  void SslHandshakeDone(int error);
  void SecureConnectionUp();

  void Ehlo();
  void EhloReplied();
  void StartTls();
  void StartTlsReplied();
  void Auth();
  void AuthReplied();

  std::string MailFromLine() const;
  // The address as the envelope carries it, or nothing with `refusal` saying why not.
  std::optional<std::string> EnvelopePath(const std::string& address, std::string& refusal) const;
  void PrepareRecipients();
  // The sender's path and whether the transaction needs SMTPUTF8; false when the request has
  // ended because the sender, or every recipient, cannot be carried.
  bool PrepareSender();
  // Ends the request as a refusal of `by`'s address made here, with nothing sent.
  void RefuseLocally(TSmtpStep by, int error, const std::string& text);
  // RFC 1870: the octets DATA will send, stuffed dots and the final "." not counted.
  std::uint64_t MeasureMessage();
  // Makes the message before MAIL FROM and, when the server announced SIZE, measures it; false
  // when it is too big and the request has ended.
  bool PrepareMessage();
  // MAIL FROM, every RCPT TO and DATA in one write, when the server pipelines.
  bool Pipelines() const;
  void SendEnvelope();
  void EnvelopeReplied();
  void EnvelopeDataReplied();
  void AbandonedDataReplied();
  void SendRecipient();
  void RecipientReplied();
  void DataReplied();
  void ContinueData();
  void DataNext();
  void DataEndReplied();
  bool FillSendBlock();
  void AbortData(const std::string& failure);
  void AppendHeaderLine(const std::string& line);
  void AppendBodyLine();
  // DoDisplay for each line of the send block from `from` on.
  void ShowBlockLines(size_t from);

  std::unique_ptr<NotificationWindow> FWindow;
  std::unique_ptr<TWSocket> FSocket;
  std::string FErrorMessage;
  std::string FLastResponse;
  std::vector<RefusedRecipient> FRefused;
  struct Recipient {
    std::string address;  // as the caller gave it
    std::string line;     // its RCPT TO command
  };
  std::vector<Recipient> FRecipients;  // those the envelope can carry, in order
  std::vector<std::string> FTaken;     // the addresses the server took
  int FLocalRefusal = 0;               // why the last recipient refused here was, when one was
  std::string FSenderPath;
  bool FSmtpUtf8 = false;
  SmtpCapabilities FCapabilities;
  std::string FTlsSummary;

  TSmtpClientState FState = scReady;
  bool FSessionUp = false;
  TSmtpRequest FRqType = rqConnect;
  bool FDoneSignalled = true;
  int FReplyLen = 0;
  int FOutcome = 0;
  int FReplyCode = 0;
  int FReplyLines = 0;  // continuation lines of the reply in progress
  platform::Timer FReplyTimer;
  std::array<char, smtp_limits::kReplyBufferSize> FReplyBuffer{};
  Continuation FNext = nullptr;
  TSmtpSteps FSteps = 0;
  TSmtpStep FStep = TSmtpStep::None;
  int FCompoundOutcome = 0;
  bool FCompound = false;
  Continuation FResume = nullptr;
  // The replies still to come, in the order their commands went out.
  struct AwaitedReply {
    TSmtpStep step = TSmtpStep::None;
    std::array<int, smtp_limits::kMaxAcceptedCodes + 1> accepted{};
    Continuation afterReply = nullptr;
  };
  std::deque<AwaitedReply> FAwaited;
  std::string FQueuedLines;
  TSmtpStep FRefusedBy = TSmtpStep::None;
  bool FResetInEnvelope = false;  // the next envelope's write begins with RSET
  // The refusal of a pipelined MAIL FROM, or of every recipient, that ends the message.
  int FEnvelopeOutcome = 0;
  TSmtpStep FEnvelopeRefusedBy = TSmtpStep::None;
  int FCursor = 0;                        // the recipient in progress
  size_t FHeaderCursor = 0;               // the next header line to send
  std::vector<std::string> FAuthAnswers;  // what AUTH answers to the server's next challenges
  std::vector<std::string> FHeader;
  int FBodyLine = 0;
  bool FMoreBody = false;

  std::array<char, smtp_limits::kBodyBufferSize> FBodyBuffer{};
  std::vector<char> FHeaderBuffer;
  std::string FSendBlock;
  std::string FShownLine;
  bool FMessageReady = false;  // made at MAIL FROM, for DATA to send
  std::string FSizeParameter;
  bool FMeasuring = false;
  std::uint64_t FMeasured = 0;
  std::uint64_t FStuffedDots = 0;
};

}  // namespace zelvaro::net
