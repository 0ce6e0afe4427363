#include "net/imap_client.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <stdexcept>

#include "net/imap_limits.h"
#include "net/smtp_text.h"
#include "net/tls_errors.h"
#include "net/twsocket.h"

namespace zelvaro::net {

using namespace imap_limits;

namespace {

constexpr const char* kHidden = "********";

std::string socketFailure(int error) {
  return SocketErrorText(error) + " (Winsock error #" + std::to_string(error) + ")";
}

std::string secureFailure(int error, const std::string& detail) {
  return TlsErrorText(error) + ": " + detail + " (TLS error #" + std::to_string(error) + ")";
}

std::optional<std::uint64_t> numberOf(const ImapItem& item) {
  if (item.type != ImapItem::Type::Atom || item.text.empty() || item.text.size() > 19 ||
      !std::all_of(item.text.begin(), item.text.end(),
                   [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return std::stoull(item.text);
}

bool startsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

std::string upperCased(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::vector<ImapItem> itemsOf(const ImapResponse& response, const char* what) {
  std::optional<std::vector<ImapItem>> items = parseImapItems(response.text, response.literals);
  if (!items) {
    throw std::runtime_error(std::string("Unreadable ") + what + ": " +
                             printableText(response.line));
  }
  return std::move(*items);
}

}  // namespace

std::string uidSet(const std::vector<std::uint32_t>& uids) {
  std::vector<std::uint32_t> sorted = uids;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  std::string set;
  for (size_t i = 0; i < sorted.size();) {
    size_t j = i;
    while (j + 1 < sorted.size() && sorted[j + 1] == sorted[j] + 1) ++j;
    if (!set.empty()) set += ',';
    set += std::to_string(sorted[i]);
    if (j > i) set += ':' + std::to_string(sorted[j]);
    i = j + 1;
  }
  return set;
}

std::string imapQuoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : singleLine(text)) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

class ImapClient::NotificationWindow : public platform::NotificationOwner {
 public:
  explicit NotificationWindow(ImapClient& client) : client_(client) {}

 protected:
  void handleNotification(const platform::Notification& n) override {
    if (n.message != kRequestDoneMessage || !client_.onRequestDone) return;
    client_.onRequestDone(client_, static_cast<ImapRequest>(n.wparam), static_cast<int>(n.lparam));
  }

 private:
  ImapClient& client_;
};

ImapClient::ImapClient()
    : stallTimeLimitMs(kCommandTimeLimitMs),
      window_(std::make_unique<NotificationWindow>(*this)),
      socket_(std::make_unique<TWSocket>()) {
  socket_->OnSessionClosed = [this](TCustomWSocket&, std::uint16_t error) { socketClosed(error); };
  socket_->OnSessionConnected = [this](TCustomWSocket&, std::uint16_t error) {
    socketConnected(error);
  };
  socket_->OnDataAvailable = [this](TCustomWSocket&, std::uint16_t) { dataAvailable(); };
  socket_->OnDnsLookupDone = [this](TCustomWSocket&, std::uint16_t error) {
    if (error != 0) return fail(error, socketFailure(error));
    connectTo();
  };
  stallTimer_.onTick = [this] { stalled(); };
}

ImapClient::~ImapClient() {
  wipeSecrets(saslAnswers_);
  socket_->OnSessionClosed = nullptr;
  socket_->OnSessionConnected = nullptr;
  socket_->OnDataAvailable = nullptr;
  socket_->OnDnsLookupDone = nullptr;
  socket_->OnSslHandshakeDone = nullptr;
  socket_.reset();
  window_.reset();
}

bool ImapClient::connected() const {
  return socket_->State() == wsConnected && state_ != State::Closed;
}

bool ImapClient::busy() const {
  return requestOpen_;
}

bool ImapClient::idling() const {
  return state_ == State::Idle;
}

bool ImapClient::hasCapability(const std::string& name) const {
  return capabilities_.count(name) != 0;
}

// ---- state and requests ----

void ImapClient::setState(State state) {
  state_ = state;
  const bool waiting = state != State::Closed && state != State::Ready && state != State::Idle;
  // Each call starts the limit afresh: it counts silence, not the length of a large FETCH.
  stallTimer_.setEnabled(false);
  if (waiting) {
    stallTimer_.setInterval(stallTimeLimitMs);
    stallTimer_.setEnabled(true);
  }
}

void ImapClient::begin(ImapRequest request) {
  if (requestOpen_) throw std::logic_error("IMAP client busy with another request");
  if (request != ImapRequest::Open && state_ != State::Ready) {
    throw std::logic_error("IMAP client not connected");
  }
  request_ = request;
  requestOpen_ = true;
  errorMessage_.clear();
}

void ImapClient::finish(int error, const std::string& message) {
  if (!requestOpen_) return;
  requestOpen_ = false;
  if (error != 0 && errorMessage_.empty()) errorMessage_ = message;
  wipeSecrets(saslAnswers_);
  setState(socket_->State() == wsConnected && state_ != State::Closed ? State::Ready
                                                                      : State::Closed);
  window_->post({kRequestDoneMessage, static_cast<std::uintptr_t>(request_), error});
}

// A failure after which the conversation cannot be followed: the connection goes too.
void ImapClient::fail(int error, const std::string& message) {
  if (onTrace) onTrace("! " + message);
  finish(error, message);
  if (state_ == State::Closed && socket_->State() == wsClosed) return;
  setState(State::Closed);
  socket_->Abort();
}

void ImapClient::command(State state, const std::string& text, const std::string& shown) {
  tag_ = "A" + std::to_string(++tagCount_);
  setState(state);
  sendLine(tag_ + " " + text, tag_ + " " + (shown.empty() ? text : shown));
}

void ImapClient::sendLine(const std::string& line, const std::string& shown) {
  if (onTrace) onTrace("> " + shown);
  if (socket_->State() != wsConnected) {
    return fail(imapServerClosed, "The connection has closed");
  }
  socket_->SendText(line + "\r\n");
}

void ImapClient::abort() {
  if (requestOpen_) {
    errorMessage_ = "Aborted";
    finish(imapServerClosed, errorMessage_);
  }
  setState(State::Closed);
  socket_->CancelLookup();
  socket_->Abort();
}

// ---- connection ----

void ImapClient::open() {
  if (state_ != State::Closed) throw std::logic_error("IMAP client already connected");
  begin(ImapRequest::Open);
  reader_ = {};
  capabilities_.clear();
  capabilitiesKnown_ = false;
  tlsDone_ = false;
  loggedIn_ = false;
  tlsSummary_.clear();
  greeting_.clear();
  byeText_.clear();
  uidValidity_.reset();
  socket_->SetSslOnConnect(security == ImapSecurity::Tls);
  socket_->SetSslHostName(trimmed(host));
  socket_->SetSslCaFile(caFile);
  socket_->SetSocksServer(socksServer);
  socket_->SetSocksPort(socksPort);
  setState(State::Connecting);
  try {
    socket_->DnsLookup(trimmed(host));
  } catch (...) {
    setState(State::Closed);
    requestOpen_ = false;
    throw;
  }
}

void ImapClient::connectTo() {
  try {
    socket_->SetAddr(socket_->DnsResult());
    socket_->SetProto("tcp");
    socket_->SetPort(port);
    socket_->Connect();
  } catch (const std::exception& e) {
    fail(platform::WSAEINVAL, e.what());
  }
}

void ImapClient::socketConnected(int error) {
  if (error != 0) {
    const std::string why =
        IsTlsError(error) ? secureFailure(error, socket_->SslErrorDetail()) : socketFailure(error);
    return fail(error, why);
  }
  platform::socketSetOption(socket_->HSocket(), platform::SocketOption::NoDelay, true);
  if (security == ImapSecurity::Tls) {
    tlsDone_ = true;
    tlsSummary_ = socket_->SslSummary();
    if (onTrace) onTrace("Secure connection: " + tlsSummary_);
  }
  setState(State::Greeting);
}

void ImapClient::socketClosed(int) {
  const bool wasOpen = requestOpen_;
  const bool loggingOut = state_ == State::Logout;
  setState(State::Closed);
  if (!wasOpen) return;
  if (loggingOut) return finish(0);
  fail(imapServerClosed, byeText_.empty() ? std::string("The server closed the connection")
                                          : "The server closed the connection: " + byeText_);
}

void ImapClient::stalled() {
  if (state_ == State::Closed || state_ == State::Ready) return;
  if (state_ == State::Idle && idleConfirmed_) return;
  fail(imapTimedOut,
       "No answer from the server for " + std::to_string(stallTimeLimitMs / 1000) + " seconds");
}

// ---- responses ----

void ImapClient::dataAvailable() {
  std::array<char, kReceiveChunk> buffer;
  const int count = socket_->Receive(buffer.data(), static_cast<int>(buffer.size()));
  if (count <= 0) return;
  if (state_ != State::Idle && state_ != State::Ready) setState(state_);
  reader_.feed(std::string_view(buffer.data(), static_cast<size_t>(count)));
  while (std::optional<ImapResponse> response = reader_.next()) {
    if (onTrace) onTrace("< " + printableText(response->line));
    try {
      handle(*response);
    } catch (const std::exception& e) {
      return fail(imapProtocolError, e.what());
    }
    if (state_ == State::Closed) return;
    // Whatever came with STARTTLS's answer was sent before the handshake could protect it.
    if (state_ == State::Handshake) {
      reader_ = {};
      return;
    }
  }
  if (reader_.failed()) fail(imapProtocolError, reader_.failure());
}

void ImapClient::handle(ImapResponse& response) {
  switch (response.kind) {
    case ImapResponseKind::Untagged:
      return handleUntagged(response);
    case ImapResponseKind::Continuation:
      return handleContinuation(response);
    case ImapResponseKind::Tagged:
      return handleTagged(response);
  }
}

void ImapClient::keepCapabilities(const std::string& words) {
  capabilities_.clear();
  size_t at = 0;
  while (at < words.size()) {
    const size_t end = std::min(words.find(' ', at), words.size());
    const std::string word = upperCased(words.substr(at, end - at));
    if (!word.empty()) capabilities_.insert(word);
    at = end + 1;
  }
  capabilitiesKnown_ = true;
}

void ImapClient::handleUntagged(ImapResponse& response) {
  const std::string& keyword = response.keyword;
  if (startsWith(response.code, "CAPABILITY ")) keepCapabilities(response.code.substr(11));
  if (keyword == "BYE") {
    byeText_ = response.text;
    return;
  }
  if (state_ == State::Greeting) {
    if (keyword != "OK" && keyword != "PREAUTH") {
      return fail(imapProtocolError, "Not an IMAP greeting: " + printableText(response.line));
    }
    return greeted(response);
  }
  if (keyword == "CAPABILITY") return keepCapabilities(response.text);
  if (keyword == "OK" && startsWith(response.code, "UIDVALIDITY ")) {
    uidValidity_ = static_cast<std::uint32_t>(std::stoul(response.code.substr(12)));
    return;
  }
  if (keyword == "EXISTS" && response.number) {
    const bool more = *response.number > exists_;
    exists_ = *response.number;
    if (state_ == State::Idle && more && onMailboxChanged) onMailboxChanged(*this);
    return;
  }
  if (keyword == "EXPUNGE" && exists_ > 0) {
    --exists_;
    return;
  }
  if (keyword == "SEARCH" && state_ == State::Search) return keepSearch(response);
  if (keyword == "LIST" && state_ == State::List) return keepFolder(response);
  if (keyword == "FETCH" && state_ == State::Fetch) return deliverFetched(response);
}

void ImapClient::keepSearch(const ImapResponse& response) {
  for (const ImapItem& item : itemsOf(response, "SEARCH")) {
    const std::optional<std::uint64_t> uid = numberOf(item);
    if (uid && *uid >= searchFirst_ && *uid <= UINT32_MAX) {
      foundUids_.push_back(static_cast<std::uint32_t>(*uid));
    }
  }
}

void ImapClient::keepFolder(const ImapResponse& response) {
  const std::vector<ImapItem> items = itemsOf(response, "LIST");
  if (items.size() != 3 || items[0].type != ImapItem::Type::List) {
    throw std::runtime_error("Unreadable LIST: " + printableText(response.line));
  }
  ImapFolder folder;
  for (const ImapItem& flag : items[0].items) {
    const std::string name = upperCased(flag.text);
    if (name == "\\NOSELECT" || name == "\\NONEXISTENT") folder.selectable = false;
  }
  if (items[1].type == ImapItem::Type::String && items[1].text.size() == 1) {
    folder.separator = items[1].text[0];
  }
  folder.name = items[2].text;
  folders_.push_back(std::move(folder));
}

void ImapClient::deliverFetched(const ImapResponse& response) {
  const std::vector<ImapItem> items = itemsOf(response, "FETCH");
  if (items.size() != 1 || items[0].type != ImapItem::Type::List) {
    throw std::runtime_error("Unreadable FETCH: " + printableText(response.line));
  }
  ImapFetched message;
  bool hasUid = false;
  const std::vector<ImapItem>& pairs = items[0].items;
  for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
    const std::string name = upperCased(pairs[i].text);
    const ImapItem& value = pairs[i + 1];
    if (name == "UID") {
      const std::optional<std::uint64_t> uid = numberOf(value);
      hasUid = uid && *uid <= UINT32_MAX;
      if (hasUid) message.uid = static_cast<std::uint32_t>(*uid);
    } else if (name == "RFC822.SIZE") {
      message.size = numberOf(value).value_or(0);
    } else if (startsWith(name, "BODY[")) {
      message.bytes = value.text;
    }
  }
  // A FETCH without UID is the server telling of flags changed elsewhere.
  if (hasUid && onFetched) onFetched(*this, message);
}

void ImapClient::handleContinuation(const ImapResponse& response) {
  if (state_ == State::Idle) {
    if (!idleConfirmed_) {
      idleConfirmed_ = true;
      stallTimer_.setEnabled(false);
    }
    return;
  }
  if (state_ != State::Authenticate) {
    return fail(imapProtocolError, "Unexpected continuation: " + printableText(response.line));
  }
  // A challenge after the last answer carries the server's reason (XOAUTH2's error): an empty
  // line asks for the final answer.
  if (saslAnswers_.empty()) return sendLine("", "");
  std::string answer = saslAnswers_.front();
  wipeSecret(saslAnswers_.front());
  saslAnswers_.erase(saslAnswers_.begin());
  sendLine(answer, kHidden);
  wipeSecret(answer);
}

void ImapClient::handleTagged(const ImapResponse& response) {
  if (response.tag != tag_ || state_ == State::Ready || state_ == State::Closed) {
    return fail(imapProtocolError, "Answer to no command of ours: " + printableText(response.line));
  }
  if (startsWith(response.code, "CAPABILITY ")) keepCapabilities(response.code.substr(11));
  const bool ok = response.keyword == "OK";
  if (!ok) {
    if (state_ == State::Create && (response.code == "ALREADYEXISTS")) return finish(0);
    if (state_ == State::StartTls) {
      fail(imapRefused, response.line);
      return;
    }
    return finish(response.keyword == "NO" ? imapRefused : imapBadCommand, response.line);
  }
  switch (state_) {
    case State::Capability:
      return afterCapabilities();
    case State::StartTls:
      setState(State::Handshake);
      socket_->OnSslHandshakeDone = [this](TCustomWSocket&, std::uint16_t error) {
        tlsStarted(error);
      };
      socket_->StartTls();
      return;
    case State::Authenticate:
    case State::Login:
      loggedIn_ = true;
      wipeSecrets(saslAnswers_);
      // Servers often offer more once the user is known (MOVE, IDLE).
      if (!startsWith(response.code, "CAPABILITY "))
        return command(State::Capability, "CAPABILITY");
      return finish(0);
    case State::Select:
      if (!uidValidity_) return fail(imapProtocolError, "The server named no UIDVALIDITY");
      return finish(0);
    case State::Copy:
      return command(State::Store, "UID STORE " + moveSet_ + " +FLAGS.SILENT (\\Deleted)");
    case State::Store:
      if (hasCapability("UIDPLUS")) return command(State::Expunge, "UID EXPUNGE " + moveSet_);
      return finish(0);
    case State::Logout:
      finish(0);
      setState(State::Closed);
      socket_->Close();
      return;
    default:
      return finish(0);
  }
}

// ---- the compound open ----

void ImapClient::greeted(const ImapResponse& response) {
  greeting_ = response.line;
  if (response.keyword == "PREAUTH") loggedIn_ = true;
  if (!capabilitiesKnown_) return command(State::Capability, "CAPABILITY");
  afterCapabilities();
}

void ImapClient::afterCapabilities() {
  if (security == ImapSecurity::StartTls && !tlsDone_) return startTls();
  if (loggedIn_ || username.empty()) return finish(0);
  logIn();
}

void ImapClient::startTls() {
  if (!hasCapability("STARTTLS")) {
    // Never on in cleartext: the connection goes with nothing more sent.
    return fail(tlsStartTlsNotOffered,
                secureFailure(tlsStartTlsNotOffered, "host " + trimmed(host)));
  }
  command(State::StartTls, "STARTTLS");
}

void ImapClient::tlsStarted(int error) {
  socket_->OnSslHandshakeDone = nullptr;
  if (error != 0) return fail(error, secureFailure(error, socket_->SslErrorDetail()));
  tlsDone_ = true;
  tlsSummary_ = socket_->SslSummary();
  if (onTrace) onTrace("Secure connection: " + tlsSummary_);
  // Only what the server offers over TLS counts.
  capabilities_.clear();
  capabilitiesKnown_ = false;
  command(State::Capability, "CAPABILITY");
}

void ImapClient::logIn() {
  std::vector<std::string> offered;
  for (const std::string& word : capabilities_) {
    if (startsWith(word, "AUTH=")) offered.push_back(word.substr(5));
  }
  const std::optional<SaslMechanism> mechanism = chooseSasl(auth, offered);
  const bool loginCommand =
      !hasCapability("LOGINDISABLED") && (!auth || *auth == SaslMechanism::Login);
  if (!mechanism || (!auth && *mechanism == SaslMechanism::Login && loginCommand)) {
    if (!loginCommand) {
      std::string list;
      for (const std::string& name : offered) list += " " + name;
      return fail(authNotOffered,
                  secureFailure(authNotOffered, list.empty() ? "the server offers no login"
                                                             : "the server offers" + list));
    }
    std::string line = "LOGIN " + imapQuoted(username) + " " + imapQuoted(password);
    command(State::Login, line, "LOGIN " + imapQuoted(username) + " " + kHidden);
    return wipeSecret(line);
  }
  wipeSecrets(saslAnswers_);
  saslAnswers_ = net::saslAnswers(*mechanism, username, password);
  const std::string name = std::string("AUTHENTICATE ") + saslName(*mechanism);
  if (*mechanism != SaslMechanism::Login && hasCapability("SASL-IR")) {
    std::string line = name + " " + saslAnswers_.front();
    wipeSecrets(saslAnswers_);
    command(State::Authenticate, line, name + " " + kHidden);
    return wipeSecret(line);
  }
  command(State::Authenticate, name);
}

// ---- mailbox commands ----

void ImapClient::select(const std::string& folder) {
  begin(ImapRequest::Select);
  uidValidity_.reset();
  exists_ = 0;
  command(State::Select, "SELECT " + imapQuoted(folder));
}

void ImapClient::searchFrom(std::uint32_t firstUid) {
  begin(ImapRequest::Search);
  foundUids_.clear();
  searchFirst_ = std::max<std::uint32_t>(firstUid, 1);
  command(State::Search, "UID SEARCH UID " + std::to_string(searchFirst_) + ":*");
}

void ImapClient::fetchSizes(const std::vector<std::uint32_t>& uids) {
  begin(ImapRequest::FetchSizes);
  command(State::Fetch, "UID FETCH " + uidSet(uids) + " (UID RFC822.SIZE)");
}

void ImapClient::fetch(const std::vector<std::uint32_t>& uids, bool headerOnly) {
  begin(ImapRequest::Fetch);
  command(State::Fetch, "UID FETCH " + uidSet(uids) + " (UID RFC822.SIZE BODY.PEEK[" +
                            (headerOnly ? "HEADER" : "") + "])");
}

void ImapClient::list(const std::string& pattern) {
  begin(ImapRequest::List);
  folders_.clear();
  command(State::List, "LIST \"\" " + imapQuoted(pattern));
}

void ImapClient::create(const std::string& folder) {
  begin(ImapRequest::Create);
  command(State::Create, "CREATE " + imapQuoted(folder));
}

void ImapClient::move(const std::vector<std::uint32_t>& uids, const std::string& folder) {
  begin(ImapRequest::Move);
  moveSet_ = uidSet(uids);
  const std::string target = imapQuoted(folder);
  if (hasCapability("MOVE")) return command(State::Move, "UID MOVE " + moveSet_ + " " + target);
  command(State::Copy, "UID COPY " + moveSet_ + " " + target);
}

void ImapClient::idle() {
  begin(ImapRequest::Idle);
  idleConfirmed_ = false;
  command(State::Idle, "IDLE");
  stallTimer_.setInterval(stallTimeLimitMs);
  stallTimer_.setEnabled(true);  // until the server confirms
}

void ImapClient::stopIdle() {
  if (state_ != State::Idle) return;
  setState(State::Noop);  // waits for IDLE's tagged answer like any command
  sendLine("DONE", "DONE");
}

void ImapClient::noop() {
  begin(ImapRequest::Noop);
  command(State::Noop, "NOOP");
}

void ImapClient::logout() {
  begin(ImapRequest::Logout);
  command(State::Logout, "LOGOUT");
}

}  // namespace zelvaro::net
