#include "send/orders_mailbox.h"

#include <algorithm>
#include <map>
#include <optional>

#include "core/errors.h"
#include "core/text_file.h"
#include "net/imap_client.h"
#include "net/imap_limits.h"
#include "net/sasl.h"
#include "platform/eventloop.h"
#include "platform/paths.h"
#include "send/imap_requests.h"
#include "send/mailbox_account.h"

namespace zelvaro::send {

namespace {

using net::ImapClient;
using Uids = std::vector<std::uint32_t>;

// Fetched whole, a batch holds about this much before it is judged and filed.
constexpr std::uint64_t kBatchBytes = 16 * 1024 * 1024;

// How far the passes got in one folder of one account: a line "<key> TAB <uidvalidity> TAB
// <last uid>" of the state file.
struct FolderMark {
  std::uint32_t uidValidity = 0;
  std::uint32_t lastUid = 0;
};

std::string markKey(const ImapClient& client, const std::string& folder) {
  return client.username + "@" + client.host + ":" + client.port + "/" + folder;
}

std::optional<FolderMark> readMark(const std::string& path, const std::string& key) {
  const auto lines = core::readAllLines(path);
  if (!lines) return std::nullopt;
  for (const std::string& line : *lines) {
    const size_t last = line.rfind('\t');
    if (last == std::string::npos || last == 0) continue;
    const size_t middle = line.rfind('\t', last - 1);
    if (middle != key.size() || line.compare(0, middle, key) != 0) continue;
    try {
      return FolderMark{static_cast<std::uint32_t>(std::stoul(line.substr(middle + 1))),
                        static_cast<std::uint32_t>(std::stoul(line.substr(last + 1)))};
    } catch (const std::exception&) {
      return std::nullopt;  // a damaged line: start from the beginning
    }
  }
  return std::nullopt;
}

void writeMark(const std::string& path, const std::string& key, const FolderMark& mark) {
  std::vector<std::string> lines = core::readAllLines(path).value_or(std::vector<std::string>{});
  std::erase_if(lines, [&](const std::string& line) {
    return line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
           line[key.size()] == '\t';
  });
  lines.push_back(key + "\t" + std::to_string(mark.uidValidity) + "\t" +
                  std::to_string(mark.lastUid));
  core::writeAllLines(path, lines);
}

class Pass {
 public:
  Pass(const core::Settings& settings, const MailboxJudge& judge, const MailboxPassOptions& options)
      : settings_(settings), judge_(judge), options_(options), requests_(client_) {
    client_.onTrace = options.onTrace;
    client_.stallTimeLimitMs = options.stallTimeoutMs;
    statePath_ = options.statePath.empty() ? platform::stateDirectory() + "/mailbox-state.tsv"
                                           : options.statePath;
  }

  ~Pass() {
    client_.abort();
    platform::processMessages();
    net::wipeSecret(client_.password);
  }

  MailboxPassReport run() {
    if (std::string problem = applyMailboxAccount(client_, settings_, options_.whileWaiting);
        !problem.empty()) {
      report_.failures.push_back(problem);
      return report_;
    }
    const std::string& folder = settings_.mailbox.folder;
    if (!step("Logging in to " + client_.host, [](ImapClient& c) { c.open(); }) ||
        !step("Opening the folder " + folder, [&](ImapClient& c) { c.select(folder); })) {
      return report_;
    }
    key_ = markKey(client_, folder);
    FolderMark mark;
    try {
      mark = readMark(statePath_, key_).value_or(FolderMark{});
    } catch (const core::EInOutError& e) {
      report_.failures.push_back(e.what());
      return report_;
    }
    // New UIDs: what the numbers meant before means nothing now.
    if (mark.uidValidity != *client_.uidValidity()) mark = {*client_.uidValidity(), 0};
    if (!step("Looking for new mail", [&](ImapClient& c) { c.searchFrom(mark.lastUid + 1); })) {
      return report_;
    }
    const Uids found = client_.foundUids();
    bool ok = found.empty() ? save(mark) : takeAll(found, mark);
    if (client_.connected()) step("Logging out", [](ImapClient& c) { c.logout(); });
    report_.ok = ok && report_.failures.empty();
    return report_;
  }

 private:
  bool step(const std::string& what, const std::function<void(ImapClient&)>& request) {
    const int error = requests_.run(request);
    if (error == 0) return true;
    const std::string& message = client_.errorMessage();
    report_.failures.push_back("Orders mailbox: " + what +
                               " failed: " + (message.empty() ? std::to_string(error) : message) +
                               mailboxFailureHint(error));
    return false;
  }

  bool save(const FolderMark& mark) {
    try {
      writeMark(statePath_, key_, mark);
      return true;
    } catch (const core::EInOutError& e) {
      report_.failures.push_back(e.what());
      return false;
    }
  }

  bool takeAll(const Uids& found, FolderMark& mark) {
    std::map<std::uint32_t, std::uint64_t> sizes;
    client_.onFetched = [&](ImapClient&, net::ImapFetched& m) { sizes[m.uid] = m.size; };
    for (size_t at = 0; at < found.size(); at += net::imap_limits::kUidsPerCommand) {
      const Uids part(found.begin() + static_cast<std::ptrdiff_t>(at),
                      found.begin() + static_cast<std::ptrdiff_t>(std::min(
                                          found.size(), at + net::imap_limits::kUidsPerCommand)));
      if (!step("Asking for the sizes of new mail", [&](ImapClient& c) { c.fetchSizes(part); })) {
        return false;
      }
    }
    Uids batch;
    std::uint64_t batchBytes = 0;
    for (const auto& [uid, size] : sizes) {
      if (size > net::imap_limits::kWholeMessageMax) {
        // Judged in UID order: what came before goes first.
        if (!batch.empty() && !takeBatch(batch, false, mark)) return false;
        batch.clear();
        batchBytes = 0;
        if (!takeBatch({uid}, true, mark)) return false;
        continue;
      }
      batch.push_back(uid);
      batchBytes += size;
      if (batch.size() >= net::imap_limits::kUidsPerCommand || batchBytes >= kBatchBytes) {
        if (!takeBatch(batch, false, mark)) return false;
        batch.clear();
        batchBytes = 0;
      }
    }
    if (!batch.empty() && !takeBatch(batch, false, mark)) return false;
    // Mail gone between the search and the fetch leaves nothing to come back for.
    if (!found.empty()) mark.lastUid = std::max(mark.lastUid, found.back());
    return save(mark);
  }

  // Fetches, judges and files one batch; the judge runs here, outside the client's handlers.
  bool takeBatch(const Uids& uids, bool headerOnly, FolderMark& mark) {
    std::vector<MailboxMessage> messages;
    client_.onFetched = [&](ImapClient&, net::ImapFetched& m) {
      messages.push_back({m.uid, m.size, std::move(m.bytes), headerOnly});
    };
    if (!step("Fetching new mail", [&](ImapClient& c) { c.fetch(uids, headerOnly); })) {
      return false;
    }
    std::sort(messages.begin(), messages.end(),
              [](const MailboxMessage& a, const MailboxMessage& b) { return a.uid < b.uid; });
    Uids done, rejected;
    for (const MailboxMessage& message : messages) {
      ++report_.judged;
      switch (judge_(message)) {
        case MailboxVerdict::Done:
          done.push_back(message.uid);
          break;
        case MailboxVerdict::Rejected:
          rejected.push_back(message.uid);
          break;
        case MailboxVerdict::Leave:
          break;
      }
    }
    mark.lastUid = std::max(mark.lastUid, uids.back());
    if (!save(mark)) return false;
    if (!done.empty() || !rejected.empty()) {
      if (!foldersReady()) return false;
      if (!done.empty() && !moveAll(done, doneFolder_)) return false;
      if (!rejected.empty() && !moveAll(rejected, rejectedFolder_)) return false;
    }
    report_.done += static_cast<int>(done.size());
    report_.rejected += static_cast<int>(rejected.size());
    return true;
  }

  bool moveAll(const Uids& uids, const std::string& folder) {
    for (size_t at = 0; at < uids.size(); at += net::imap_limits::kUidsPerCommand) {
      const Uids part(uids.begin() + static_cast<std::ptrdiff_t>(at),
                      uids.begin() + static_cast<std::ptrdiff_t>(std::min(
                                         uids.size(), at + net::imap_limits::kUidsPerCommand)));
      if (!step("Moving judged mail into " + folder,
                [&](ImapClient& c) { c.move(part, folder); })) {
        return false;
      }
    }
    return true;
  }

  // The folders judged mail goes into, made where missing, named with the server's separator.
  bool foldersReady() {
    if (!doneFolder_.empty()) return true;
    const std::string& base = settings_.mailbox.doneFolder;
    if (!step("Listing folders", [](ImapClient& c) { c.list(""); })) return false;
    const std::optional<char> separator =
        client_.folders().empty() ? std::nullopt : client_.folders().front().separator;
    const std::string rejected = base + (separator ? std::string(1, *separator) : "") + "Rejected";
    if (!step("Listing folders", [&](ImapClient& c) { c.list(base + "*"); })) return false;
    for (const std::string& name : {base, rejected}) {
      const auto& folders = client_.folders();
      const bool there = std::any_of(folders.begin(), folders.end(), [&](const net::ImapFolder& f) {
        return f.name == name && f.selectable;
      });
      if (!there && !step("Creating the folder " + name, [&](ImapClient& c) { c.create(name); })) {
        return false;
      }
    }
    doneFolder_ = base;
    rejectedFolder_ = rejected;
    return true;
  }

  const core::Settings& settings_;
  const MailboxJudge& judge_;
  const MailboxPassOptions& options_;
  ImapClient client_;
  ImapRequests requests_;
  std::string statePath_;
  std::string key_;
  std::string doneFolder_;
  std::string rejectedFolder_;
  MailboxPassReport report_;
};

}  // namespace

MailboxPassReport takeMailboxPass(const core::Settings& settings, const MailboxJudge& judge,
                                  const MailboxPassOptions& options) {
  Pass pass(settings, judge, options);
  return pass.run();
}

}  // namespace zelvaro::send
