#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/eventloop.h"
#include "support/wait.h"

namespace zelvaro::platform {
namespace {

// Records what it receives as "<owner name>:<message>"; an optional hook runs per notification.
class Recorder : public NotificationOwner {
 public:
  Recorder(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
  std::function<void(const Notification&)> hook;

 protected:
  void handleNotification(const Notification& n) override {
    log_.push_back(name_ + ":" + std::to_string(n.message) + "/" + std::to_string(n.wparam) + "/" +
                   std::to_string(n.lparam));
    if (hook) hook(n);
  }

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

TEST(NotificationOwner, DeliversLaterInPostingOrderAcrossOwners) {
  std::vector<std::string> log;
  Recorder a("a", log), b("b", log);
  a.post({1, 2, -3});
  b.post({2});
  a.post({3});
  EXPECT_TRUE(log.empty()) << "nothing may be delivered inside post";
  processMessages();
  EXPECT_EQ(log, (std::vector<std::string>{"a:1/2/-3", "b:2/0/0", "a:3/0/0"}));
}

TEST(NotificationOwner, HandlerThatPostsIsNotReenteredInsideItsPost) {
  std::vector<std::string> log;
  Recorder a("a", log);
  int depth = 0;
  a.hook = [&](const Notification& n) {
    ++depth;
    EXPECT_EQ(depth, 1) << "handler entered from inside post";
    if (n.message < 3) a.post({n.message + 1});
    --depth;
  };
  a.post({1});
  ASSERT_TRUE(test::waitUntil([&] { return log.size() == 3; }));
  EXPECT_EQ(log.back(), "a:3/0/0");
}

TEST(NotificationOwner, DestroyedOwnerGetsNothingAndOthersGoOn) {
  std::vector<std::string> log;
  auto doomed = std::make_unique<Recorder>("doomed", log);
  Recorder other("other", log);
  std::weak_ptr<const void> life = doomed->lifetime();
  doomed->post({1});
  other.post({2});
  doomed.reset();
  EXPECT_TRUE(life.expired());
  processMessages();
  EXPECT_EQ(log, (std::vector<std::string>{"other:2/0/0"}));
}

TEST(NotificationOwner, HandlerMayDestroyItsOwner) {
  std::vector<std::string> log;
  auto self = std::make_unique<Recorder>("self", log);
  Recorder other("other", log);
  self->hook = [&](const Notification&) {
    // Pumping inside the handler nests a dispatch; the owner dies inside the nested one.
    self->hook = [&](const Notification&) { self.reset(); };
    processMessages();
  };
  self->post({1});
  self->post({2});
  self->post({3});
  other.post({4});
  ASSERT_TRUE(test::waitUntil([&] { return log.size() >= 3; }));
  processMessages();
  EXPECT_EQ(self, nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"self:1/0/0", "self:2/0/0", "other:4/0/0"}));
}

TEST(NotificationOwner, PostFromAnotherThreadArrivesOnTheLoopThread) {
  std::vector<std::string> log;
  Recorder a("a", log);
  std::thread::id handlerThread;
  a.hook = [&](const Notification&) { handlerThread = std::this_thread::get_id(); };
  std::thread worker([&] { a.post({7, 8, 9}); });
  worker.join();
  ASSERT_TRUE(test::waitUntil([&] { return !log.empty(); }));
  EXPECT_EQ(log.front(), "a:7/8/9");
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST(Timer, TicksOnlyWhenEnabledWithAnInterval) {
  Timer timer;
  int ticks = 0;
  timer.onTick = [&] { ++ticks; };
  EXPECT_FALSE(timer.enabled());
  timer.setInterval(1);
  // A disabled timer: a second timer proves that time has passed meanwhile.
  Timer witness;
  int witnessed = 0;
  witness.onTick = [&] { ++witnessed; };
  witness.setInterval(20);
  witness.setEnabled(true);
  ASSERT_TRUE(test::waitUntil([&] { return witnessed >= 2; }));
  EXPECT_EQ(ticks, 0);

  timer.setEnabled(true);
  ASSERT_TRUE(test::waitUntil([&] { return ticks >= 3; }));

  timer.setInterval(0);
  int before = ticks;
  witnessed = 0;
  ASSERT_TRUE(test::waitUntil([&] { return witnessed >= 2; }));
  EXPECT_EQ(ticks, before) << "an interval of 0 must not tick";
}

TEST(Timer, ChangingTheIntervalRestartsIt) {
  Timer slow;
  int ticks = 0;
  slow.onTick = [&] { ++ticks; };
  slow.setInterval(60000);
  slow.setEnabled(true);
  slow.setInterval(5);
  EXPECT_TRUE(test::waitUntil([&] { return ticks > 0; }, 10000));
}

TEST(Timer, HandlerMayDestroyTheTimer) {
  auto timer = std::make_unique<Timer>();
  int ticks = 0;
  timer->onTick = [&] {
    ++ticks;
    timer.reset();
  };
  timer->setInterval(1);
  timer->setEnabled(true);
  ASSERT_TRUE(test::waitUntil([&] { return timer == nullptr; }));
  EXPECT_EQ(ticks, 1);
}

TEST(EventLoop, WaitMessageReturnsForAPostedNotification) {
  std::vector<std::string> log;
  Recorder a("a", log);
  a.post({5});
  waitMessage();
  EXPECT_EQ(log.size(), 1u);
}

TEST(EventLoop, AHandlersExceptionLeavesThroughThePumpThatDispatchedIt) {
  std::vector<std::string> log;
  Recorder a("a", log);
  a.hook = [](const Notification& n) {
    if (n.message == 1) throw std::runtime_error("from the handler");
  };
  a.post({1});
  a.post({2});
  EXPECT_THROW(
      {
        try {
          processMessages();
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ(e.what(), "from the handler");
          throw;
        }
      },
      std::runtime_error);
  EXPECT_EQ(log.size(), 2u) << "the rest is still dispatched";
  processMessages();  // nothing left over

  Timer timer;
  timer.onTick = [&] { throw std::logic_error("tick"); };
  timer.setInterval(1);
  timer.setEnabled(true);
  EXPECT_THROW(test::waitUntil([] { return false; }, 5000), std::logic_error);
}

TEST(EventLoop, TerminatingFlag) {
  EXPECT_FALSE(applicationTerminating());
  setApplicationTerminating(true);
  EXPECT_TRUE(applicationTerminating());
  setApplicationTerminating(false);
  EXPECT_FALSE(applicationTerminating());
}

}  // namespace
}  // namespace zelvaro::platform
