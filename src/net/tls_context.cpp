#include "net/tls_context.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/stat.h>

#include <map>
#include <memory>
#include <utility>

#include "net/tls_errors.h"

namespace zelvaro::net {

namespace {

struct SessionFree {
  void operator()(SSL_SESSION* session) const { SSL_SESSION_free(session); }
};
using SessionPtr = std::unique_ptr<SSL_SESSION, SessionFree>;

struct ContextEntry {
  SSL_CTX* context = nullptr;
  off_t size = -1;
  timespec changed{};
  std::map<std::string, SessionPtr> sessions;
};

// Every context lives as long as the process: a connection may hold one until its last
// byte, and OpenSSL's own clean-up at exit must not find them freed behind its back.
std::map<std::string, ContextEntry>& contexts() {
  static auto* made = new std::map<std::string, ContextEntry>;
  return *made;
}

void freePeer(void*, void* peer, CRYPTO_EX_DATA*, int, long, void*) {
  delete static_cast<std::string*>(peer);
}

int peerIndex() {
  static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, freePeer);
  return index;
}

ContextEntry* entryOf(SSL* ssl) {
  return static_cast<ContextEntry*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
}

const std::string* peerOf(SSL* ssl) {
  return static_cast<const std::string*>(SSL_get_ex_data(ssl, peerIndex()));
}

// A session the server handed out (TLS 1.3 sends its tickets after the handshake): kept for
// the next connection to the same peer.
int keepSession(SSL* ssl, SSL_SESSION* session) {
  ContextEntry* entry = entryOf(ssl);
  const std::string* peer = peerOf(ssl);
  if (entry == nullptr || peer == nullptr || !SSL_SESSION_is_resumable(session)) return 0;
  // A copy: the connection's own is marked spent when it closes without close_notify.
  if (SSL_SESSION* copy = SSL_SESSION_dup(session)) entry->sessions[*peer] = SessionPtr(copy);
  return 0;
}

std::string libraryReason(const char* otherwise) {
  const unsigned long code = ERR_peek_error();
  const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
  return reason != nullptr ? reason : otherwise;
}

}  // namespace

TlsContextResult clientTlsContext(const std::string& caFile) {
  struct stat file {};
  if (!caFile.empty() && ::stat(caFile.c_str(), &file) != 0) {
    return {nullptr, tlsCaFileUnreadable, "cannot be opened, " + caFile};
  }
  auto found = contexts().find(caFile);
  if (found != contexts().end()) {
    const ContextEntry& entry = found->second;
    if (caFile.empty() ||
        (entry.size == file.st_size && entry.changed.tv_sec == file.st_mtim.tv_sec &&
         entry.changed.tv_nsec == file.st_mtim.tv_nsec)) {
      return {entry.context, 0, {}};
    }
  }
  ERR_clear_error();
  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  if (context == nullptr) return {nullptr, tlsSetupFailed, libraryReason("no context")};
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
  SSL_CTX_set_default_verify_paths(context);
  if (!caFile.empty() && SSL_CTX_load_verify_locations(context, caFile.c_str(), nullptr) != 1) {
    TlsContextResult failed{nullptr, tlsCaFileUnreadable,
                            libraryReason("unreadable") + ", " + caFile};
    SSL_CTX_free(context);
    return failed;
  }
  SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
  SSL_CTX_sess_set_new_cb(context, keepSession);
  ContextEntry& entry = contexts()[caFile];
  if (entry.context != nullptr) {
    // Connections made with the old one hold references of their own.
    SSL_CTX_set_app_data(entry.context, nullptr);
    SSL_CTX_free(entry.context);
  }
  entry = ContextEntry{context, file.st_size, file.st_mtim, {}};
  SSL_CTX_set_app_data(context, &entry);
  return {context, 0, {}};
}

void resumeTlsSession(SSL* ssl, const std::string& peer) {
  SSL_set_ex_data(ssl, peerIndex(), new std::string(peer));
  ContextEntry* entry = entryOf(ssl);
  if (entry == nullptr) return;
  auto found = entry->sessions.find(peer);
  if (found != entry->sessions.end()) SSL_set_session(ssl, found->second.get());
}

void forgetTlsSession(SSL* ssl) {
  ContextEntry* entry = entryOf(ssl);
  const std::string* peer = peerOf(ssl);
  if (entry != nullptr && peer != nullptr) entry->sessions.erase(*peer);
}

}  // namespace zelvaro::net
