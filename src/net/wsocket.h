#pragma once

// The event-driven TCP/UDP socket (IPv4). Every operation returns at once; its end comes later
// as an event raised from the event loop.
//
// C++ forms: a property is a getter named like it (`Addr()`) and, when writable, a setter
// `SetAddr(...)`. An event is a public std::function member named like it (`OnDataAvailable`),
// called with the sender first; an empty one is not raised. Handlers may be replaced, and the
// socket closed, aborted or even destroyed, from inside a handler.
// Misuse raises ESocketException with a fixed text, unless OnError is assigned: then OnError is
// raised instead, the operation returns, and LastError() tells what happened. Network failures
// are never raised; they arrive as the Error argument of the events (socket error numbers,
// platform/socketerrors.h).

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/buffer.h"
#include "platform/eventloop.h"
#include "platform/hostlookup.h"
#include "platform/socketerrors.h"
#include "platform/sockets.h"

namespace zelvaro::net {

using platform::SocketErrorText;
using TSocket = platform::SocketHandle;
inline constexpr TSocket INVALID_SOCKET = platform::kInvalidSocket;

class ESocketException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum TSocketState {
  wsInvalidState,
  wsOpened,
  wsBound,
  wsConnecting,
  wsConnected,
  wsAccepting,
  wsListening,
  wsClosed
};
enum TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };

// The notifications a socket receives.
inline constexpr unsigned WM_ASYNCSELECT = 1025;
inline constexpr unsigned WM_ASYNCGETHOSTBYNAME = 1026;
inline constexpr unsigned WM_ASYNCGETHOSTBYADDR = 1027;

class TCustomWSocket;
using TSessionEvent = std::function<void(TCustomWSocket& Sender, std::uint16_t Error)>;
using TChangeStateEvent =
    std::function<void(TCustomWSocket& Sender, TSocketState OldState, TSocketState NewState)>;
using TNotifyEvent = std::function<void(TCustomWSocket& Sender)>;

// Resolution; failures raise ESocketException. Addresses and ports in host byte order.
std::uint32_t WSocketResolveHost(const std::string& host);
int WSocketResolvePort(const std::string& port, const std::string& proto);
int WSocketResolveProto(const std::string& proto);
// This machine's host name; raises "Winsock.GetHostName failed".
std::string OwnHostName();
// The text without the spaces and control characters at either end.
std::string TrimText(const std::string& text);

class TCustomWSocket {
 public:
  TCustomWSocket();
  virtual ~TCustomWSocket();
  TCustomWSocket(const TCustomWSocket&) = delete;
  TCustomWSocket& operator=(const TCustomWSocket&) = delete;

  // Properties. Addr, Port and Proto are stored trimmed and can change only while wsClosed;
  // after every close they must be set again before the next Connect.
  const std::string& Addr() const { return addrStr_; }
  void SetAddr(const std::string& value);
  const std::string& Port() const { return portStr_; }
  virtual void SetPort(const std::string& value);
  const std::string& Proto() const { return protoStr_; }
  virtual void SetProto(const std::string& value);
  const std::string& DnsResult() const { return dnsResult_; }
  const std::vector<std::string>& DnsResultList() const { return dnsResultList_; }
  TSocketState State() const { return state_; }
  long long ReadCount() const { return readCount_; }
  // Bytes a Receive would get now (held bytes of the layers included); -1 on failure.
  virtual int RcvdCount();
  int LastError() const { return lastError_; }
  bool MultiThreaded() const { return multiThreaded_; }
  void SetMultiThreaded(bool value) { multiThreaded_ = value; }
  int FlushTimeout() const { return flushTimeout_; }
  void SetFlushTimeout(int value) { flushTimeout_ = value; }
  TSocketSendFlags SendFlags();
  void SetSendFlags(TSocketSendFlags value);
  TSocketLingerOnOff LingerOnOff() const { return lingerOnOff_; }
  void SetLingerOnOff(TSocketLingerOnOff value) { lingerOnOff_ = value; }
  int LingerTimeout() const { return lingerTimeout_; }
  void SetLingerTimeout(int value) { lingerTimeout_ = value; }
  TSocket HSocket() const { return hSocket_; }
  // The local port found when a datagram socket was bound to any port.
  int LocalPortNum() const { return localPortNum_; }
  // Sockets alive in the process.
  static int SocketCount();

  // Events.
  TSessionEvent OnDataAvailable;     // received data waits to be read
  TSessionEvent OnDataSent;          // the send chain has drained
  TSessionEvent OnSessionClosed;     // the connection has closed (once per connection)
  TSessionEvent OnSessionAvailable;  // a listening socket has a connection to accept
  TSessionEvent OnSessionConnected;  // the connection attempt has ended (0: connected)
  TChangeStateEvent OnChangeState;   // every state change, also to the same state
  TSessionEvent OnDnsLookupDone;     // a lookup has ended (0: success)
  TNotifyEvent OnError;              // replaces the raising of ESocketException

  // Client path.
  virtual void DnsLookup(const std::string& host);
  virtual void ReverseLookup(const std::string& address);
  virtual void CancelLookup();
  virtual void Connect();
  // Appends to the send chain without writing.
  void QueueData(const void* data, int length);
  // Appends and writes what the connection takes; OnDataSent follows (never inside Send) when
  // the chain has drained. Returns the length queued, or -1 when not connected.
  virtual int Send(const void* data, int length);
  // Like Send, for a writer that goes on at once when the connection took everything: then it
  // returns true and no OnDataSent follows. False: the rest waits for room and OnDataSent
  // follows once it has drained (or, as for Send, the socket is not connected).
  bool SendAtOnce(const void* data, int length);
  virtual int SendText(const std::string& text);
  // Reads at most `length` bytes: the count, 0, or -1 (LastError() set; nothing is raised).
  virtual int Receive(void* buffer, int length);
  virtual std::string ReceiveText();
  virtual int ReceiveFrom(void* buffer, int length, platform::Ipv4Endpoint* from);
  // Orderly close: OnSessionClosed is raised inside the call.
  virtual void Close();
  // Drops the send chain and a lookup and closes at once; OnSessionClosed inside the call.
  virtual void Abort();
  // Writes the send chain, pumping events, until it has drained or the socket is closed.
  virtual void Flush();
  virtual void DrainUntilClosed();
  virtual void Shutdown(platform::ShutdownHow how);

  // Listening side.
  virtual void Listen();
  // The accepted handle (give it to another socket's AttachHandle), or INVALID_SOCKET.
  virtual TSocket Accept();
  virtual void AttachHandle(TSocket handle);
  virtual void Pause();
  virtual void Resume();

  // Addresses.
  virtual std::string RemoteAddrText();  // "error" unless connected
  virtual int RemoteSockName(platform::Ipv4Endpoint& address);
  virtual int SockName(platform::Ipv4Endpoint& address);
  virtual std::string LocalPortText();  // "error" unless bound, connected or listening

 protected:
  virtual void WndProc(const platform::Notification& message);
  virtual void ResetFields();
  virtual void CloseCommon(bool shut, int error);
  virtual void BindAnyPort();
  virtual int RawSend(const void* data, int length);
  virtual int RawReceive(void* buffer, int length, int flags);
  virtual void Fail(const std::string& text);
  // True when an OnDataAvailable handler is assigned.
  virtual bool DoDataAvailable(int error);
  virtual void DoSessionAvailable(int error);
  virtual void DoSessionConnected(int error);
  virtual void DoSessionClosed(int error);
  virtual void DoDataSent(int error);
  virtual void DoChangeState(TSocketState oldState, TSocketState newState);
  virtual void DoDnsLookupDone(int error);
  virtual void DoError();

  // The error routine: "Error <n> in function <name>" CR LF text, for the platform's last error.
  void SocketError(const std::string& function);
  void ChangeState(TSocketState newState);
  void SetLingerOption();
  void DeleteBufferedData();
  void TryToSend();
  // The size of the send chain's blocks from now on: each goes to RawSend whole.
  void SetSendBlockSize(int size);
  // Queues and writes what the connection takes; true when the chain has drained.
  bool WriteThrough(const void* data, int length);
  // The read loop of a read (and close) notification.
  void ReadLoop(int error);
  void MessagePump();
  void PostToSelf(const platform::Notification& message) { window_.post(message); }
  // Expires when the socket is destroyed: dispatch code checks it after raising an event.
  std::weak_ptr<char> Alive() const { return alive_; }
  static unsigned SelectedEvents() {
    namespace ev = platform::SocketEvent;
    return ev::Read | ev::Write | ev::Accept | ev::Connect | ev::Close;
  }
  bool Destroying() const { return destroying_; }
  // Where Connect goes: Addr and Port, unless a layer routes the connection elsewhere.
  virtual const std::string& ConnectAddr() const { return addrStr_; }
  virtual const std::string& ConnectPort() const { return portStr_; }
  // Received bytes a layer holds, to be handed out by Receive before any platform read.
  virtual int HeldCount() const { return 0; }
  // The peer has closed and its last data has been offered: a layer finishes what it holds.
  virtual void PeerClosed() {}
  // Writes out what a layer holds beyond the send chain; true once nothing is left.
  virtual bool HeldOutputSent() { return true; }
  // Resolves Proto, Port and Addr (failures prefixed), drops queued data and makes the handle;
  // false when that failed (and was reported).
  bool ResolveAndOpen(const std::string& prefix, const char* openFailure);

  TSocket hSocket_ = INVALID_SOCKET;
  TSocket aSocket_ = INVALID_SOCKET;
  bool datagram_ = false;
  int proto_ = 6;
  bool paused_ = false;
  bool closeInvoked_ = false;
  bool allSent_ = true;
  int lastError_ = 0;
  long long readCount_ = 0;
  long long consumed_ = 0;  // bytes handed out by any receive, ever; tells the read loop progress
  platform::Ipv4Endpoint sin_;

 private:
  class Window : public platform::NotificationOwner {
   public:
    explicit Window(TCustomWSocket& socket) : socket_(socket) {}

   protected:
    void handleNotification(const platform::Notification& n) override { socket_.WndProc(n); }

   private:
    TCustomWSocket& socket_;
  };

  void AssignText(const std::string& value, std::string& text, bool& assigned, bool& resolved,
                  const char* refusal);
  // The common start of DnsLookup and ReverseLookup; false when the text is empty.
  bool StartLookup(const std::string& text);
  void CannotStartLookup(const std::string& text);
  void OnSocketMessage(const platform::Notification& message);
  void OnLookupDone(const platform::Notification& message, bool reverse);

  bool portAssigned_ = false, addrAssigned_ = false, protoAssigned_ = false;
  bool portResolved_ = false, addrResolved_ = false, protoResolved_ = false;
  std::string addrStr_, portStr_, protoStr_ = "tcp";
  int localPortNum_ = 0;
  std::string dnsResult_;
  std::vector<std::string> dnsResultList_;
  int flushTimeout_ = 60;
  std::deque<std::unique_ptr<TBuffer>> bufList_;
  int bufSize_ = TBuffer::kDefaultSize;
  int sendFlags_ = 0;
  TSocketLingerOnOff lingerOnOff_ = wsLingerOn;
  int lingerTimeout_ = 0;
  bool multiThreaded_ = false;
  TSocketState state_ = wsClosed;
  bool destroying_ = false;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
  Window window_{*this};
  platform::HostLookup lookup_{window_};  // after window_: goes first
};

}  // namespace zelvaro::net
