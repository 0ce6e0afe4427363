#pragma once

// The process's TLS client contexts: one per CA file (and one without), made on first use, so
// the system's trust store and a CA file are read once per run rather than once per
// connection. Each keeps the sessions servers hand out, one per host and port, for the next
// connection there to resume.

#include <string>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace zelvaro::net {

struct TlsContextResult {
  SSL_CTX* context = nullptr;  // owned by the process; nullptr on failure
  int error = 0;               // tls_errors.h
  std::string detail;
};

// The context that trusts the system's store plus `caFile` (empty: the store alone). A CA file
// changed since it was read (size or time) is read again.
TlsContextResult clientTlsContext(const std::string& caFile);

// Offers the session kept for `peer` ("host:port") to `ssl`, made from a context above, and
// marks `ssl` so that the sessions it receives are kept under `peer`.
void resumeTlsSession(SSL* ssl, const std::string& peer);
// Forgets the session of `peer`: the handshake that used it failed.
void forgetTlsSession(SSL* ssl);

}  // namespace zelvaro::net
