#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "loopback.h"
#include "support/wait.h"

extern char** environ;

namespace zelvaro::net {
namespace {

using test::Peer;
using test::Probe;
using zelvaro::test::waitUntil;

constexpr const char* kMicrosocks = "/usr/bin/microsocks";

// Debian's microsocks on a free loopback port, for as long as the object lives.
class Microsocks {
 public:
  Microsocks(const std::string& user = "", const std::string& password = "") {
    port_ = test::unusedPort();
    std::vector<std::string> args{kMicrosocks, "-i", "127.0.0.1", "-p", port_};
    if (!user.empty()) args.insert(args.end(), {"-u", user, "-P", password});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    started_ = posix_spawn(&pid_, kMicrosocks, nullptr, nullptr, argv.data(), environ) == 0;
  }
  ~Microsocks() {
    if (!started_) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  const std::string& port() const { return port_; }

  // Waits until it takes connections: a probe connects every few milliseconds.
  bool ready() {
    if (!started_) return false;
    bool up = false;
    platform::Timer retry;
    std::unique_ptr<Probe> probe;
    auto attempt = [&] {
      probe = std::make_unique<Probe>();
      probe->OnSessionConnected = [&](TCustomWSocket&, std::uint16_t error) { up = error == 0; };
      probe->connectTo(port_);
    };
    retry.onTick = attempt;
    retry.setInterval(20);
    retry.setEnabled(true);
    attempt();
    return waitUntil([&] { return up; });
  }

 private:
  std::string port_;
  pid_t pid_ = 0;
  bool started_ = false;
};

// A probe that goes through a proxy and logs the proxy's events too.
struct SocksProbe : Probe {
  explicit SocksProbe(const std::string& proxyPort) {
    SetSocksServer("127.0.0.1");
    SetSocksPort(proxyPort);
    OnSocksConnected = [this](TCustomWSocket&, std::uint16_t error) {
      log.push_back("socks connected " + std::to_string(error));
    };
    OnSocksError = [this](TCustomWSocket&, int error, const std::string& message) {
      log.push_back("socks error " + std::to_string(error) + " " + message);
    };
    OnSocksAuthState = [this](TCustomWSocket&, TSocksAuthState state) {
      static const char* const names[] = {"start", "success", "failure", "not required"};
      log.push_back(std::string("auth ") + names[state]);
    };
  }
};

void expectMicrosocksInstalled() {
  ASSERT_EQ(access(kMicrosocks, X_OK), 0) << kMicrosocks << " is missing: run scripts/install-deps";
}

TEST(Socks, ThroughMicrosocksWithoutAuthentication) {
  expectMicrosocksInstalled();
  Microsocks proxy;
  ASSERT_TRUE(proxy.ready());
  Peer target;
  // The target speaks first, right after the proxy has connected it.
  target.onData = nullptr;
  SocksProbe probe(proxy.port());
  probe.connectTo(target.port());
  ASSERT_TRUE(target.waitAccepted());
  target.send("220 greeting\r\n");
  ASSERT_TRUE(probe.waitFor("connected 0"));
  EXPECT_EQ(probe.log[0], "socks connected 0");
  ASSERT_TRUE(waitUntil([&] { return probe.received == "220 greeting\r\n"; }));
  auto connected = std::find(probe.log.begin(), probe.log.end(), "connected 0");
  auto data = std::find(probe.log.begin(), probe.log.end(), "data 0");
  EXPECT_LT(connected, data) << "data of the target before OnSessionConnected";
  EXPECT_NE(probe.SocksBoundAddr(), "");  // microsocks leaves it 0.0.0.0
  EXPECT_NE(probe.SocksBoundPort(), "");
  probe.SendText("HELO me\r\n");
  ASSERT_TRUE(target.waitReceived(9));
  EXPECT_EQ(target.received, "HELO me\r\n");
}

// Connects through microsocks that wants alice's password, giving `password`.
std::vector<std::string> logInAs(const std::string& password, const std::string& awaited) {
  Microsocks proxy("alice", "s3cret");
  EXPECT_TRUE(proxy.ready());
  Peer target;
  SocksProbe probe(proxy.port());
  probe.SetSocksAuthentication(socksAuthenticateUsercode);
  probe.SetSocksUsercode("alice");
  probe.SetSocksPassword(password);
  probe.connectTo(target.port());
  EXPECT_TRUE(probe.waitFor(awaited));
  EXPECT_EQ(probe.State(), awaited == "connected 0" ? wsConnected : wsClosed);
  return probe.log;
}

TEST(Socks, ThroughMicrosocksWithUserNameAndPassword) {
  expectMicrosocksInstalled();
  EXPECT_EQ(
      logInAs("s3cret", "connected 0"),
      (std::vector<std::string>{"socks connected 0", "auth start", "auth success", "connected 0"}));
}

TEST(Socks, AWrongPasswordFailsWith20015) {
  expectMicrosocksInstalled();
  EXPECT_EQ(logInAs("wrong", "closed 20015"),
            (std::vector<std::string>{"socks connected 0", "auth start", "auth failure",
                                      "socks error 20015 socks authentication failed",
                                      "connected 20015", "closed 20015"}));
}

TEST(Socks, OfferedAuthenticationThatIsNotRequired) {
  expectMicrosocksInstalled();
  Microsocks proxy;
  ASSERT_TRUE(proxy.ready());
  Peer target;
  SocksProbe probe(proxy.port());
  probe.SetSocksAuthentication(socksAuthenticateUsercode);
  probe.connectTo(target.port());
  ASSERT_TRUE(probe.waitFor("connected 0"));
  EXPECT_EQ(probe.log,
            (std::vector<std::string>{"socks connected 0", "auth not required", "connected 0"}));
}

TEST(Socks, ARefusedTargetIsTheProxysReplyCode) {
  expectMicrosocksInstalled();
  Microsocks proxy;
  ASSERT_TRUE(proxy.ready());
  SocksProbe probe(proxy.port());
  probe.connectTo(test::unusedPort());
  ASSERT_TRUE(probe.waitFor("closed 20008"));
  EXPECT_TRUE(probe.has("socks error 20008 connection refused"));
  EXPECT_TRUE(probe.has("connected 20008"));
}

TEST(Socks, MisuseIsRefused) {
  SocksProbe probe("1080");
  probe.SetAddr("127.0.0.1");
  probe.SetPort("0");
  EXPECT_THROW(
      {
        try {
          probe.Listen();
        } catch (const ESocketException& e) {
          EXPECT_STREQ(e.what(), "listening is not supported thru socks server");
          throw;
        }
      },
      ESocketException);
  probe.SetProto("udp");
  EXPECT_THROW(
      {
        try {
          probe.Connect();
        } catch (const ESocketException& e) {
          EXPECT_STREQ(e.what(), "tcp is the only protocol supported thru socks server");
          throw;
        }
      },
      ESocketException);
  // While open, the proxy cannot change.
  Peer fake;
  SocksProbe open(fake.port());
  open.connectTo("25");
  ASSERT_TRUE(fake.waitAccepted());
  int errors = 0;
  open.OnError = [&](TCustomWSocket&) { ++errors; };
  open.SetSocksServer("10.0.0.1");
  open.SetSocksPort("1081");
  EXPECT_EQ(errors, 2);
}

// Our own proxy: answers each request of the dialogue from a script, and keeps what the client
// sent, so the exact transcript can be checked.
struct FakeProxy : Peer {
  std::vector<std::string> answers;  // one per request the client sends
  std::vector<std::size_t> after;    // the answer i goes once `after[i]` bytes have come
  std::size_t next = 0;
  bool closeAfterLast = false;
  FakeProxy() {
    onData = [this](Peer&) {
      while (next < answers.size() && received.size() >= after[next]) {
        send(answers[next++]);
        if (next == answers.size() && closeAfterLast) close();
      }
    };
  }
  void answer(std::size_t afterBytes, const std::string& bytes) {
    after.push_back(afterBytes);
    answers.push_back(bytes);
  }
};

std::string bytes(std::initializer_list<int> values) {
  std::string text;
  for (int v : values) text += static_cast<char>(v);
  return text;
}

// The client's connect request for 127.0.0.1:25.
const std::string kRequest = bytes({5, 1, 0, 3, 9}) + "127.0.0.1" + bytes({0, 25});

TEST(FakeSocks, TranscriptOfAFullDialogue) {
  FakeProxy proxy;
  proxy.answer(4, bytes({5, 2}));
  proxy.answer(4 + 10, bytes({1, 0}));  // after the user name and password
  proxy.answer(14 + kRequest.size(), bytes({5, 0, 0, 3, 4}) + "host" + bytes({1, 2}) + "hello");
  SocksProbe probe(proxy.port());
  probe.SetSocksAuthentication(socksAuthenticateUsercode);
  probe.SetSocksUsercode("bob");
  probe.SetSocksPassword("pass");
  probe.connectTo("25");
  ASSERT_TRUE(waitUntil([&] { return probe.received == "hello"; }));
  EXPECT_EQ(proxy.received,
            bytes({5, 2, 0, 2}) + bytes({1, 3}) + "bob" + bytes({4}) + "pass" + kRequest);
  EXPECT_EQ(probe.SocksBoundAddr(), "host");
  EXPECT_EQ(probe.SocksBoundPort(), "258");
  EXPECT_EQ(probe.RcvdCount(), 0);
}

struct FailureCase {
  std::string name;
  std::string methodReply;   // answer to the method selection
  std::string requestReply;  // answer to the connect request (none when empty)
  std::vector<std::string> log;
};

TEST(FakeSocks, FailuresARealServerCannotProduce) {
  const std::vector<FailureCase> cases = {
      {"version 4",
       bytes({4, 0}),
       "",
       {"socks connected 0", "socks error 20002 socks version error", "connected 20002",
        "closed 20002"}},
      {"no acceptable method",
       bytes({5, 0xFF}),
       "",
       {"socks connected 0", "socks error 20003 authentification method not acceptable",
        "connected 20003", "closed 20003"}},
      {"too much data",
       bytes({5, 0, 9}),
       "",
       {"socks connected 0", "socks error 20001 too much data availaible", "connected 20001",
        "closed 20001"}},
      {"unknown address type",
       bytes({5, 0}),
       bytes({5, 0, 0, 7, 0, 0, 0, 0, 0, 0}),
       {"socks connected 0", "socks error 20011 address type not supported", "connected 20011",
        "closed 20011"}},
      {"unassigned reply code",
       bytes({5, 0}),
       bytes({5, 9, 0, 1, 0, 0, 0, 0, 0, 0}),
       {"socks connected 0", "socks error 20012 unassigned error #9", "connected 20012",
        "closed 20012"}},
      {"reply version 1",
       bytes({5, 0}),
       bytes({1, 0, 0, 1, 0, 0, 0, 0, 0, 0}),
       {"socks connected 0", "socks error 20002 socks version error", "connected 20002",
        "closed 20002"}},
      {"ruleset",
       bytes({5, 0}),
       bytes({5, 2, 0, 1, 0, 0, 0, 0, 0, 0}),
       {"socks connected 0", "socks error 20005 connection not allowed by ruleset",
        "connected 20005", "closed 20005"}},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProxy proxy;
    proxy.answer(3, c.methodReply);
    if (!c.requestReply.empty()) proxy.answer(3 + kRequest.size(), c.requestReply);
    SocksProbe probe(proxy.port());
    probe.connectTo("25");
    ASSERT_TRUE(waitUntil([&] { return probe.State() == wsClosed && !probe.log.empty(); }));
    platform::processMessages();
    EXPECT_EQ(probe.log, c.log);
  }
}

TEST(FakeSocks, AProxyThatHangsUpDuringAuthenticationIsAnAuthenticationFailure) {
  FakeProxy proxy;
  proxy.answer(4, bytes({5, 2}));
  proxy.closeAfterLast = true;
  SocksProbe probe(proxy.port());
  probe.SetSocksAuthentication(socksAuthenticateUsercode);
  probe.connectTo("25");
  ASSERT_TRUE(probe.waitFor("closed 20015"));
  EXPECT_EQ(probe.log, (std::vector<std::string>{"socks connected 0", "auth start", "auth failure",
                                                 "socks error 20015 socks authentication failed",
                                                 "connected 20015", "closed 20015"}));
}

TEST(FakeSocks, AProxyThatCannotBeReachedEndsTheConnect) {
  SocksProbe probe(test::unusedPort());
  probe.connectTo("25");
  ASSERT_TRUE(probe.waitFor("closed 0"));
  EXPECT_EQ(probe.log,
            (std::vector<std::string>{"socks connected 10061", "connected 10061", "closed 0"}));
}

}  // namespace
}  // namespace zelvaro::net
