#pragma once

// Host lookup that never blocks the loop: the system's resolver runs on a worker thread (the
// only second thread of the program) and the end comes back to the loop's thread as a posted
// notification {message, lookup handle, socket error number}. Only the resolver call runs on the
// worker; its results wait here until the owner takes them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/eventloop.h"

namespace zelvaro::platform {

class HostLookup {
 public:
  // `owner` must outlive this object (make the lookup a member declared after the owner).
  explicit HostLookup(NotificationOwner& owner);
  ~HostLookup();  // drops a lookup in progress
  HostLookup(const HostLookup&) = delete;
  HostLookup& operator=(const HostLookup&) = delete;

  // Start a lookup and return its handle (never 0), or 0 with lastSocketError() set when it
  // cannot start. A lookup still in progress is dropped first.
  // By name: every IPv4 address of the host, as dotted text, in the resolver's order.
  std::uintptr_t byName(const std::string& host, unsigned message);
  // By address: the host name of the address.
  std::uintptr_t byAddress(std::uint32_t address, unsigned message);

  // Drops the lookup in progress: its end is never posted. False when none is in progress.
  bool cancel();
  // The handle of the lookup in progress, 0 when none.
  std::uintptr_t inProgress() const;
  // On the notification of lookup `handle`: its results, ending it. Empty when `handle` is not
  // the lookup in progress (a late notification of an earlier one).
  std::vector<std::string> take(std::uintptr_t handle);

 private:
  struct Job;
  std::uintptr_t start(std::shared_ptr<Job> job);
  NotificationOwner& owner_;
  std::shared_ptr<Job> current_;
};

}  // namespace zelvaro::platform
