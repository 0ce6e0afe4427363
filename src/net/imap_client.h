#pragma once

// The non-blocking IMAP client (RFC 9051 / 3501 and the extensions intake needs: STARTTLS,
// SASL-IR, IDLE, MOVE, UIDPLUS). One command outstanding at a time, matched to its response by
// tag. Every request returns at once and ends later, exactly once, with OnRequestDone delivered
// from the event loop after the handler that ended it has returned; the mailbox's data (UIDs,
// messages, folders) arrives through the events below or the accessors before that.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "net/imap_response.h"
#include "net/sasl.h"
#include "platform/eventloop.h"

namespace zelvaro::net {

class TWSocket;
class ImapClient;

// Failures that no socket error and no TLS error names. The request's errorMessage() holds the
// server's line or our reason.
inline constexpr int imapRefused = 40001;        // the server answered NO
inline constexpr int imapBadCommand = 40002;     // the server answered BAD
inline constexpr int imapServerClosed = 40003;   // BYE, or the connection ended mid-request
inline constexpr int imapProtocolError = 40004;  // what came is no IMAP we can follow
inline constexpr int imapTimedOut = 40005;       // nothing came for too long

enum class ImapRequest {
  Open,
  Select,
  Search,
  FetchSizes,
  Fetch,
  List,
  Create,
  Move,
  Idle,
  Noop,
  Logout
};
enum class ImapSecurity { None, StartTls, Tls };

// One FETCH response.
struct ImapFetched {
  std::uint32_t uid = 0;
  std::uint64_t size = 0;  // RFC822.SIZE
  std::string bytes;       // the message, or its header only
};

// A folder as LIST names it.
struct ImapFolder {
  std::string name;
  std::optional<char> separator;  // none: the server keeps no hierarchy
  bool selectable = true;
};

class ImapClient {
 public:
  static constexpr unsigned kRequestDoneMessage = 1025;

  ImapClient();
  ~ImapClient();
  ImapClient(const ImapClient&) = delete;
  ImapClient& operator=(const ImapClient&) = delete;

  std::string host;
  std::string port = "993";
  ImapSecurity security = ImapSecurity::Tls;
  std::string username;
  std::string password;               // or the access token for XOAUTH2
  std::optional<SaslMechanism> auth;  // none: AUTHENTICATE PLAIN, else LOGIN, else AUTH=LOGIN
  std::string caFile;                 // PEM certificates trusted beside the system's
  std::string socksServer;            // empty: no proxy
  std::string socksPort = "1080";
  int stallTimeLimitMs;  // a command that hears nothing this long fails

  // Each line that crosses, "> " or "< " before it; secrets and message bytes never appear.
  std::function<void(const std::string& line)> onTrace;
  std::function<void(ImapClient& sender, ImapRequest request, int error)> onRequestDone;
  // A message of the FETCH in progress.
  std::function<void(ImapClient& sender, ImapFetched& message)> onFetched;
  // While idling: the server announced a new message count (EXISTS).
  std::function<void(ImapClient& sender)> onMailboxChanged;

  // Connect (TLS from the first byte for Tls), the greeting, CAPABILITY, STARTTLS and
  // CAPABILITY again for StartTls (the server must offer it), then the login.
  void open();
  // SELECT; uidValidity() and exists() then describe the folder.
  void select(const std::string& folder);
  // UID SEARCH for the UIDs from `firstUid` on, in foundUids().
  void searchFrom(std::uint32_t firstUid);
  // UID FETCH of RFC822.SIZE; each message through onFetched with empty bytes.
  void fetchSizes(const std::vector<std::uint32_t>& uids);
  // UID FETCH of RFC822.SIZE and BODY.PEEK[] (the header only when `headerOnly`), never
  // setting \Seen; each message through onFetched.
  void fetch(const std::vector<std::uint32_t>& uids, bool headerOnly);
  // LIST "" pattern, in folders().
  void list(const std::string& pattern);
  void create(const std::string& folder);
  // UID MOVE where offered, else UID COPY, UID STORE +FLAGS (\Deleted) and, with UIDPLUS,
  // UID EXPUNGE of exactly these UIDs (a plain EXPUNGE would take what others marked).
  void move(const std::vector<std::uint32_t>& uids, const std::string& folder);
  // IDLE until stopIdle(); the request ends with the server's answer to DONE.
  void idle();
  void stopIdle();
  void noop();
  void logout();
  // Drops the connection at once; a request in progress ends with imapServerClosed.
  void abort();

  bool connected() const;
  bool busy() const;
  bool idling() const;
  bool hasCapability(const std::string& name) const;
  const std::string& errorMessage() const { return errorMessage_; }
  const std::string& tlsSummary() const { return tlsSummary_; }
  const std::string& greeting() const { return greeting_; }
  std::optional<std::uint32_t> uidValidity() const { return uidValidity_; }
  std::uint32_t exists() const { return exists_; }
  const std::vector<std::uint32_t>& foundUids() const { return foundUids_; }
  const std::vector<ImapFolder>& folders() const { return folders_; }

 private:
  enum class State {
    Closed,
    Connecting,
    Greeting,
    Ready,
    Capability,
    StartTls,
    Handshake,
    Authenticate,
    Login,
    Select,
    Search,
    Fetch,
    List,
    Create,
    Move,
    Copy,
    Store,
    Expunge,
    Idle,
    Noop,
    Logout
  };
  class NotificationWindow;

  // The one place the state changes.
  void setState(State state);
  void begin(ImapRequest request);
  void finish(int error, const std::string& message = {});
  void fail(int error, const std::string& message);
  // `shown` stands in for the line in the trace when it carries a secret.
  void command(State state, const std::string& text, const std::string& shown = {});
  void sendLine(const std::string& line, const std::string& shown);

  void connectTo();
  void socketConnected(int error);
  void socketClosed(int error);
  void dataAvailable();
  void stalled();
  void handle(ImapResponse& response);
  void handleUntagged(ImapResponse& response);
  void keepSearch(const ImapResponse& response);
  void keepFolder(const ImapResponse& response);
  void deliverFetched(const ImapResponse& response);
  void handleContinuation(const ImapResponse& response);
  void handleTagged(const ImapResponse& response);
  void keepCapabilities(const std::string& words);

  // Continuations of the compound requests.
  void greeted(const ImapResponse& response);
  void afterCapabilities();
  void startTls();
  void tlsStarted(int error);
  void logIn();

  std::unique_ptr<NotificationWindow> window_;
  std::unique_ptr<TWSocket> socket_;
  platform::Timer stallTimer_;
  ImapResponseReader reader_;
  State state_ = State::Closed;
  ImapRequest request_ = ImapRequest::Open;
  bool requestOpen_ = false;
  bool tlsDone_ = false;
  unsigned tagCount_ = 0;
  std::string tag_;
  std::string errorMessage_;
  std::string tlsSummary_;
  std::string greeting_;
  std::set<std::string> capabilities_;
  bool capabilitiesKnown_ = false;
  std::vector<std::string> saslAnswers_;
  std::optional<std::uint32_t> uidValidity_;
  std::uint32_t exists_ = 0;
  std::vector<std::uint32_t> foundUids_;
  std::vector<ImapFolder> folders_;
  bool loggedIn_ = false;
  bool idleConfirmed_ = false;
  std::string byeText_;
  std::uint32_t searchFirst_ = 1;
  std::string moveSet_;
};

// The UIDs as an IMAP set, runs joined: "3:5,9".
std::string uidSet(const std::vector<std::uint32_t>& uids);
// A string argument: quoted with \ before " and \.
std::string imapQuoted(const std::string& text);

}  // namespace zelvaro::net
