#pragma once

// The socket error numbers that every layer reports (those of Windows Sockets 1.1), whatever
// the system's own codes are, so the numbers and texts the operator sees never change.

#include <string>

namespace zelvaro::platform {

inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEBADF = 10009;
inline constexpr int WSAEACCES = 10013;
inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAEALREADY = 10037;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEOPNOTSUPP = 10045;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAEADDRNOTAVAIL = 10049;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int WSAHOST_NOT_FOUND = 11001;
inline constexpr int WSATRY_AGAIN = 11002;
inline constexpr int WSANO_RECOVERY = 11003;
inline constexpr int WSANO_DATA = 11004;

// The fixed English text of a socket error number; "Not a WinSock error" for any other number.
std::string SocketErrorText(int error);

// The socket error number for a system errno value (10000 + errno's Windows twin); errno values
// without a twin become WSAEINVAL.
int socketErrorFromErrno(int errnoValue);
// The socket error number for a getaddrinfo/getnameinfo result (EAI_...); `errnoValue` is used
// for EAI_SYSTEM.
int socketErrorFromResolver(int resolverError, int errnoValue);

// The calling thread's last socket error, as the socket routines of this layer leave it.
int lastSocketError();
void setLastSocketError(int error);

}  // namespace zelvaro::platform
