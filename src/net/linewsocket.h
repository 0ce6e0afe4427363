#pragma once

// Line mode: with LineMode on and LineEnd not empty, received data is delivered a line at a
// time (its LineEnd included). OnDataAvailable is raised for each complete line, again while
// the handler leaves part of it unread, and Receive never hands out more than the line.

#include <string>

#include "net/sslwsocket.h"

namespace zelvaro::net {

// Posted to the socket itself when line mode changes while bytes are held.
inline constexpr unsigned WM_TRIGGER_DATA_AVAILABLE = 1044;

class TCustomLineWSocket : public TCustomSslWSocket {
 public:
  bool LineMode() const { return lineMode_; }
  virtual void SetLineMode(bool value);
  const std::string& LineEnd() const { return lineEnd_; }
  void SetLineEnd(const std::string& value) { lineEnd_ = value; }

  TNotifyEvent OnLineTooLong;  // kept for callers that assign it; lines have no limit

  // Lines held from before the handshake go with the other unread bytes.
  void StartTls() override;

 protected:
  void WndProc(const platform::Notification& message) override;
  void ResetFields() override;
  bool DoDataAvailable(int error) override;
  int RawReceive(void* buffer, int length, int flags) override;
  int HeldCount() const override {
    return static_cast<int>(held_.size()) + TCustomSslWSocket::HeldCount();
  }
  void PeerClosed() override;

 private:
  bool Lines() const { return lineMode_ && !lineEnd_.empty(); }
  // Raises OnDataAvailable for each complete line held, while the handler reads it.
  void DeliverLines(int error);
  // Raises OnDataAvailable while the handler reads the held bytes.
  void DeliverHeld();

  bool lineMode_ = false;
  std::string lineEnd_ = "\r\n";
  std::string held_;
  std::size_t lineLength_ = 0;  // the complete line at the front of held_, 0 when none
  std::size_t searched_ = 0;    // bytes of held_ searched for LineEnd already
};

}  // namespace zelvaro::net
