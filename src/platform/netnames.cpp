#include "platform/netnames.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/socketerrors.h"

namespace zelvaro::platform {

namespace {

// For a machine without /etc/services or /etc/protocols (a minimal container).
struct WellKnown {
  const char* name;
  int number;
};

constexpr WellKnown kServices[] = {
    {"echo", 7},    {"discard", 9}, {"daytime", 13}, {"ftp", 21},   {"telnet", 23},  {"smtp", 25},
    {"domain", 53}, {"http", 80},   {"pop3", 110},   {"imap", 143}, {"socks", 1080},
};

constexpr WellKnown kProtocols[] = {{"ip", 0}, {"icmp", 1}, {"tcp", 6}, {"udp", 17}};

template <std::size_t N>
std::optional<int> findWellKnown(const WellKnown (&table)[N], const std::string& name) {
  for (const WellKnown& entry : table) {
    if (strcasecmp(entry.name, name.c_str()) == 0) return entry.number;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> parseDottedAddress(const std::string& text) {
  // inet_aton stops at white space and accepts what follows: refuse that here.
  if (text.empty() || text.find_first_of(" \t\r\n") != std::string::npos) return std::nullopt;
  in_addr address{};
  if (inet_aton(text.c_str(), &address) == 0) return std::nullopt;
  return ntohl(address.s_addr);
}

std::string dottedAddress(std::uint32_t address) {
  in_addr in{};
  in.s_addr = htonl(address);
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &in, text, sizeof text);
  return text;
}

std::string ipv6Text(const unsigned char* bytes) {
  in6_addr address{};
  std::memcpy(&address, bytes, sizeof address);
  char text[INET6_ADDRSTRLEN] = {};
  inet_ntop(AF_INET6, &address, text, sizeof text);
  return text;
}

std::optional<std::uint32_t> lookupHostAddress(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int result = getaddrinfo(name.c_str(), nullptr, &hints, &found);
  if (result != 0) {
    setLastSocketError(socketErrorFromResolver(result, errno));
    return std::nullopt;
  }
  std::uint32_t address = ntohl(reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(found);
  return address;
}

std::optional<int> lookupService(const std::string& name, const std::string& protocol) {
  servent* entry = getservbyname(name.c_str(), protocol.empty() ? nullptr : protocol.c_str());
  if (entry != nullptr) return ntohs(static_cast<std::uint16_t>(entry->s_port));
  return findWellKnown(kServices, name);
}

std::optional<int> lookupProtocol(const std::string& name) {
  protoent* entry = getprotobyname(name.c_str());
  if (entry != nullptr) return entry->p_proto;
  return findWellKnown(kProtocols, name);
}

std::optional<std::string> localHostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) {
    setLastSocketError(socketErrorFromErrno(errno));
    return std::nullopt;
  }
  return std::string(name);
}

}  // namespace zelvaro::platform
