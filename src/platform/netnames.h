#pragma once

// Synchronous name services: dotted addresses, hosts, services, protocols, this machine's name.
// IPv4 addresses and ports are in host byte order everywhere in this layer.

#include <cstdint>
#include <optional>
#include <string>

namespace zelvaro::platform {

// Reads a dotted IPv4 address ("10.0.0.1", also the short forms "10.1" and "0x7f.1"); empty
// when the text is not one.
std::optional<std::uint32_t> parseDottedAddress(const std::string& text);
std::string dottedAddress(std::uint32_t address);
// The usual text of an IPv6 address given as its 16 bytes in network order.
std::string ipv6Text(const unsigned char* bytes);

// The first IPv4 address of a host name, asking the system's resolver; this blocks.
std::optional<std::uint32_t> lookupHostAddress(const std::string& name);
// The port of a service name for a protocol name (any protocol when empty), from the system's
// service database, or from a built-in table of well-known names when the system lacks it.
std::optional<int> lookupService(const std::string& name, const std::string& protocol);
// The number of a protocol name, from the system's database or the built-in table.
std::optional<int> lookupProtocol(const std::string& name);
// This machine's host name; empty when the system refuses (the socket error is then set).
std::optional<std::string> localHostName();

}  // namespace zelvaro::platform
