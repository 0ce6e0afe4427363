#include "fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>

#include "platform/application.h"
#include "platform/messages.h"

namespace zelvaro::fuzz {

namespace {

// Thousands of messages a second must not flood the fuzzer's output.
class QuietMessages : public platform::Messages {
 public:
  void show(const std::string&, platform::MessageKind) override {}
  platform::Button ask(const platform::Question& question) override {
    return question.defaultButton;
  }
  std::optional<std::string> openFile(const platform::FileDialog&) override { return {}; }
  std::optional<std::string> saveFile(const platform::FileDialog&) override { return {}; }
};

std::string& scratchFolder() {
  static std::string folder;
  return folder;
}

}  // namespace

void setUp() {
  if (!scratchFolder().empty()) return;
  platform::installMessages(std::make_unique<QuietMessages>());
  // tmpfs when there is one: every rewrite syncs its file, which costs nothing there.
  std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string folder = base + "/zelvaro-fuzz-XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr) throw std::runtime_error("cannot make " + folder);
  scratchFolder() = folder;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(scratchFolder(), ignored);
  });
}

std::string scratchFile(const std::string& name) {
  return scratchFolder() + "/" + name;
}

void writeBytes(const std::string& path, const uint8_t* data, size_t size) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) throw std::runtime_error("cannot write " + path);
  size_t done = 0;
  while (done < size) {
    ssize_t put = ::write(fd, data + done, size - done);
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  ::close(fd);
}

void needEventLoop() {
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  static platform::Application application(argc, argv, platform::Application::Kind::Headless);
}

}  // namespace zelvaro::fuzz
