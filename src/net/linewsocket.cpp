#include "net/linewsocket.h"

#include <algorithm>
#include <cstring>

namespace zelvaro::net {

using namespace platform;

void TCustomLineWSocket::SetLineMode(bool value) {
  if (lineMode_ == value) return;
  lineMode_ = value;
  lineLength_ = 0;
  searched_ = 0;
  if (!held_.empty()) PostToSelf({WM_TRIGGER_DATA_AVAILABLE, 0, 0});
}

void TCustomLineWSocket::ResetFields() {
  TCustomSslWSocket::ResetFields();
  held_.clear();
  held_.shrink_to_fit();
  lineLength_ = 0;
  searched_ = 0;
}

void TCustomLineWSocket::WndProc(const Notification& message) {
  if (message.message != WM_TRIGGER_DATA_AVAILABLE) return TCustomSslWSocket::WndProc(message);
  if (Lines()) {
    DeliverLines(0);
  } else {
    DeliverHeld();
  }
}

bool TCustomLineWSocket::DoDataAvailable(int error) {
  if (DialogueBusy() || !Lines()) return TCustomSslWSocket::DoDataAvailable(error);
  if (!OnDataAvailable) {
    // Nobody reads lines: what is held goes the way of unread data.
    held_.clear();
    lineLength_ = searched_ = 0;
    return false;
  }
  // The layer below may hold decrypted bytes the connection no longer shows: read until it
  // has nothing.
  char buffer[4096];
  int count;
  while ((count = TCustomSslWSocket::RawReceive(buffer, sizeof buffer, 0)) > 0) {
    held_.append(buffer, static_cast<std::size_t>(count));
  }
  DeliverLines(error);
  return true;
}

void TCustomLineWSocket::DeliverLines(int error) {
  std::weak_ptr<char> alive = Alive();
  TSocket handle = HSocket();
  while (Lines() && !held_.empty()) {
    if (lineLength_ == 0) {
      // A line end split across two reads starts before the end of what was searched.
      std::size_t from = searched_ >= lineEnd_.size() ? searched_ - lineEnd_.size() + 1 : 0;
      std::size_t end = held_.find(lineEnd_, from);
      if (end == std::string::npos) {
        searched_ = held_.size();
        return;
      }
      lineLength_ = end + lineEnd_.size();
      searched_ = lineLength_;
    }
    std::size_t before = lineLength_;
    TCustomSslWSocket::DoDataAvailable(error);
    if (alive.expired() || HSocket() != handle) return;
    // A handler that leaves the line unread is asked again when more data comes.
    if (lineLength_ == before) return;
  }
}

void TCustomLineWSocket::DeliverHeld() {
  std::weak_ptr<char> alive = Alive();
  TSocket handle = HSocket();
  while (!held_.empty()) {
    std::size_t before = held_.size();
    TCustomSslWSocket::DoDataAvailable(0);
    if (alive.expired() || HSocket() != handle || held_.size() == before) return;
  }
}

int TCustomLineWSocket::RawReceive(void* buffer, int length, int flags) {
  if (flags != 0 || held_.empty()) return TCustomSslWSocket::RawReceive(buffer, length, flags);
  std::size_t available = Lines() ? lineLength_ : held_.size();
  if (available == 0) {
    // Only part of a line is here: the rest must come first.
    setLastSocketError(WSAEWOULDBLOCK);
    return -1;
  }
  std::size_t count = std::min(available, static_cast<std::size_t>(std::max(length, 0)));
  std::memcpy(buffer, held_.data(), count);
  held_.erase(0, count);
  lineLength_ -= std::min(lineLength_, count);
  searched_ -= std::min(searched_, count);
  consumed_ += static_cast<long long>(count);
  return static_cast<int>(count);
}

void TCustomLineWSocket::StartTls() {
  held_.clear();
  lineLength_ = searched_ = 0;
  TCustomSslWSocket::StartTls();
}

void TCustomLineWSocket::PeerClosed() {
  TCustomSslWSocket::PeerClosed();
  if (held_.empty() || HSocket() == INVALID_SOCKET) return;
  // What is left is the last line, complete or not.
  lineLength_ = held_.size();
  std::weak_ptr<char> alive = Alive();
  DeliverHeld();
  if (alive.expired()) return;
  held_.clear();
  held_.shrink_to_fit();
  lineLength_ = searched_ = 0;
}

}  // namespace zelvaro::net
