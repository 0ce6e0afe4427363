#include "support/dovecot_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace zelvaro::test {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDovecot = "/usr/sbin/dovecot";
constexpr int kStartTimeoutMs = 20000;

// A loopback port nobody listens on now.
int freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (fd >= 0) ::close(fd);
    throw std::runtime_error("dovecot: no free loopback port");
  }
  ::close(fd);
  return ntohs(address.sin_port);
}

bool accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return up;
}

void chownTree(const fs::path& path, uid_t uid, gid_t gid) {
  if (::chown(path.c_str(), uid, gid) != 0) throw std::runtime_error("dovecot: chown failed");
  if (!fs::is_directory(path)) return;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(path)) {
    if (::chown(entry.path().c_str(), uid, gid) != 0) {
      throw std::runtime_error("dovecot: chown failed");
    }
  }
}

}  // namespace

DovecotServer::DovecotServer(const std::vector<std::string>& capabilitiesOff) {
  const bool root = ::geteuid() == 0;
  // Dovecot never lets root own mail: as root, the mail belongs to nobody.
  const passwd* mailUser = ::getpwnam(root ? "nobody" : ::getpwuid(::geteuid())->pw_name);
  if (mailUser == nullptr) throw std::runtime_error("dovecot: no user for the mail");
  mailUid_ = mailUser->pw_uid;
  mailGid_ = mailUser->pw_gid;
  const std::string self = ::getpwuid(::geteuid())->pw_name;
  ::chmod(root_.path().c_str(), 0755);
  for (const char* folder : {"run", "state", "mail"}) fs::create_directories(root_.file(folder));
  imapPort_ = freePort();
  imapsPort_ = freePort();

  writeFile(root_.file("passwd"), std::string(kUser) + ":{PLAIN}" + kPassword + "\n");
  std::string capabilities;
  if (!capabilitiesOff.empty()) {
    capabilities = "imap_capability = IMAP4rev1 SASL-IR LITERAL+ ID ENABLE NAMESPACE UIDPLUS";
    for (const char* name : {"IDLE", "MOVE"}) {
      if (std::find(capabilitiesOff.begin(), capabilitiesOff.end(), name) ==
          capabilitiesOff.end()) {
        capabilities += std::string(" ") + name;
      }
    }
  }
  const std::string& dir = root_.path();
  writeFile(root_.file("dovecot.conf"),
            "base_dir = " + dir +
                "/run\n"
                "state_dir = " +
                dir +
                "/state\n"
                "log_path = " +
                dir +
                "/dovecot.log\n"
                "protocols = imap\n"
                "listen = 127.0.0.1\n"
                "ssl = yes\n"
                "ssl_cert = <" +
                certificates_.certificateFile() +
                "\n"
                "ssl_key = <" +
                certificates_.keyFile() +
                "\n"
                "ssl_min_protocol = TLSv1.2\n"
                "disable_plaintext_auth = no\n"
                "auth_mechanisms = plain login\n"
                "default_internal_user = " +
                (root ? "dovecot" : self) +
                "\n"
                "default_login_user = " +
                (root ? "dovenull" : self) +
                "\n"
                "first_valid_uid = 1\n"
                "mail_location = maildir:" +
                dir +
                "/mail/%u\n"
                "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " +
                dir +
                "/passwd\n}\n"
                "userdb {\n  driver = static\n  args = uid=" +
                std::to_string(mailUid_) + " gid=" + std::to_string(mailGid_) + " home=" + dir +
                "/mail/%u\n}\n"
                "service imap-login {\n"
                "  inet_listener imap {\n    port = " +
                std::to_string(imapPort_) +
                "\n  }\n"
                "  inet_listener imaps {\n    port = " +
                std::to_string(imapsPort_) +
                "\n    ssl = yes\n  }\n}\n"
                "protocol imap {\n  mail_max_userip_connections = 50\n  " +
                capabilities + "\n}\n");
  fs::create_directories(folderPath("INBOX") + "/new");
  fs::create_directories(folderPath("INBOX") + "/cur");
  fs::create_directories(folderPath("INBOX") + "/tmp");
  if (root) chownTree(root_.file("mail"), mailUid_, mailGid_);

  const std::string config = root_.file("dovecot.conf");
  std::vector<char*> argv = {const_cast<char*>(kDovecot), const_cast<char*>("-F"),
                             const_cast<char*>("-c"), const_cast<char*>(config.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string output = root_.file("dovecot.out");
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  const int spawned = posix_spawn(&pid_, kDovecot, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    pid_ = -1;
    throw std::runtime_error("dovecot: cannot start " + std::string(kDovecot) +
                             " (is dovecot-imapd installed?)");
  }
  waitForListener();
}

DovecotServer::~DovecotServer() {
  stop();
}

void DovecotServer::waitForListener() const {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (accepts(imapPort_) && accepts(imapsPort_)) return;
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  throw std::runtime_error("dovecot did not start: " + log());
}

void DovecotServer::stop() {
  if (pid_ <= 0) return;
  const pid_t pid = pid_;
  pid_ = -1;
  ::kill(pid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

std::string DovecotServer::folderPath(const std::string& folder) const {
  const std::string home = root_.file("mail/") + kUser;
  return folder == "INBOX" ? home : home + "/." + folder;
}

void DovecotServer::deliver(const std::string& message, const std::string& folder) {
  const std::string path = folderPath(folder);
  for (const char* part : {"/new", "/cur", "/tmp"}) fs::create_directories(path + part);
  const std::string name = std::to_string(1765200000 + delivered_++) + ".M1P" +
                           std::to_string(::getpid()) + ".zelvaro-tests";
  writeFile(path + "/tmp/" + name, message);
  if (::geteuid() == 0) chownTree(path, mailUid_, mailGid_);
  fs::rename(path + "/tmp/" + name, path + "/new/" + name);
}

std::vector<std::string> DovecotServer::messages(const std::string& folder) const {
  std::vector<std::string> names;
  const std::string path = folderPath(folder);
  for (const char* part : {"/new", "/cur"}) {
    if (!fs::is_directory(path + part)) continue;
    for (const fs::directory_entry& entry : fs::directory_iterator(path + part)) {
      names.push_back(entry.path().string());
    }
  }
  // Names begin with the delivery's time stamp and counter.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return fs::path(a).filename() < fs::path(b).filename();
  });
  std::vector<std::string> texts;
  for (const std::string& name : names) texts.push_back(readFile(name));
  return texts;
}

std::string DovecotServer::log() const {
  std::string text;
  for (const char* name : {"dovecot.out", "dovecot.log"}) {
    if (fs::exists(root_.file(name))) text += readFile(root_.file(name));
  }
  return text;
}

}  // namespace zelvaro::test
