#include "platform/hostlookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/netnames.h"
#include "platform/socketerrors.h"

namespace zelvaro::platform {

namespace {

std::atomic<std::uintptr_t> nextHandle{1};

std::vector<std::string> resolveName(const std::string& host, int& error) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int result = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  std::vector<std::string> addresses;
  error = socketErrorFromResolver(result, errno);
  if (result != 0) return addresses;
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    addresses.push_back(
        dottedAddress(ntohl(reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr.s_addr)));
  }
  freeaddrinfo(found);
  return addresses;
}

std::vector<std::string> resolveAddress(std::uint32_t address, int& error) {
  sockaddr_in in{};
  in.sin_family = AF_INET;
  in.sin_addr.s_addr = htonl(address);
  char name[NI_MAXHOST] = {};
  int result = getnameinfo(reinterpret_cast<sockaddr*>(&in), sizeof in, name, sizeof name, nullptr,
                           0, NI_NAMEREQD);
  error = socketErrorFromResolver(result, errno);
  if (result != 0) return {};
  return {name};
}

}  // namespace

// Shared by the owner's side and the worker. The mutex guards `owner` (cleared by a cancel) and
// the results: the worker posts only while the owner still wants the answer, so it never posts
// to an owner that is gone.
struct HostLookup::Job {
  std::mutex mutex;
  NotificationOwner* owner = nullptr;
  unsigned message = 0;
  std::uintptr_t handle = 0;
  std::string host;
  bool reverse = false;
  std::uint32_t address = 0;
  std::vector<std::string> results;

  void run() {
    int error = 0;
    std::vector<std::string> found =
        reverse ? resolveAddress(address, error) : resolveName(host, error);
    std::lock_guard lock(mutex);
    if (owner == nullptr) return;
    results = std::move(found);
    owner->post({message, handle, static_cast<std::intptr_t>(error)});
  }
};

HostLookup::HostLookup(NotificationOwner& owner) : owner_(owner) {}

HostLookup::~HostLookup() {
  cancel();
}

std::uintptr_t HostLookup::byName(const std::string& host, unsigned message) {
  auto job = std::make_shared<Job>();
  job->host = host;
  job->message = message;
  return start(std::move(job));
}

std::uintptr_t HostLookup::byAddress(std::uint32_t address, unsigned message) {
  auto job = std::make_shared<Job>();
  job->reverse = true;
  job->address = address;
  job->message = message;
  return start(std::move(job));
}

std::uintptr_t HostLookup::start(std::shared_ptr<Job> job) {
  cancel();
  job->owner = &owner_;
  job->handle = nextHandle++;
  try {
    std::thread([job] { job->run(); }).detach();
  } catch (const std::system_error& e) {
    setLastSocketError(socketErrorFromErrno(e.code().value()));
    return 0;
  }
  current_ = std::move(job);
  return current_->handle;
}

bool HostLookup::cancel() {
  if (!current_) return false;
  {
    std::lock_guard lock(current_->mutex);
    current_->owner = nullptr;
  }
  current_.reset();
  return true;
}

std::uintptr_t HostLookup::inProgress() const {
  return current_ ? current_->handle : 0;
}

std::vector<std::string> HostLookup::take(std::uintptr_t handle) {
  if (!current_ || current_->handle != handle) return {};
  std::vector<std::string> results;
  {
    std::lock_guard lock(current_->mutex);
    results = std::move(current_->results);
  }
  current_.reset();
  return results;
}

}  // namespace zelvaro::platform
