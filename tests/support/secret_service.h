#pragma once

// A real Secret Service for the keyring tests: a private D-Bus session (dbus-run-session) with
// gnome-keyring-daemon unlocked in it, in a folder of the test's own. Constructing it points
// this process's DBUS_SESSION_BUS_ADDRESS at that bus; it ends when the object goes. Make it
// before anything in the process talks to D-Bus, which connects once; see SecretServiceTest
// for why it is best never destroyed.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>

#include "support/temp_dir.h"

namespace zelvaro::test {

class SecretService {
 public:
  SecretService();
  ~SecretService();
  SecretService(const SecretService&) = delete;
  SecretService& operator=(const SecretService&) = delete;

  const std::string& busAddress() const { return address_; }

 private:
  void stop();

  TempDir folder_;
  pid_t pid_ = -1;
  int input_ = -1;
  std::string address_;
};

// The tests of a suite deriving from this share one Secret Service, which lives as long as the
// test process: GIO ends a process whose session bus goes away, so the bus ends only when the
// process has, its end of the service's input closing with it.
class SecretServiceTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    static SecretService* running = new SecretService;
    (void)running;
  }
};

}  // namespace zelvaro::test
