#include "core/send_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/errors.h"
#include "core/sha256.h"
#include "core/stars_files.h"
#include "core/text_file.h"
#include "platform/paths.h"

namespace zelvaro::core {

namespace {

constexpr size_t kColumns = 10;
constexpr size_t kOrdersColumns = 11;
constexpr const char* kOrdersKind = "orders";
constexpr size_t kScheduleColumns = 10;
constexpr const char* kScheduleKinds[] = {"reminder", "deadline", "generation"};
constexpr size_t kReceiptColumns = 9;
constexpr const char* kReceiptKind = "receipt";

// A tab, a line end, a backslash or the files' "|" inside a value would break the line's
// shape, so they are written as backslash escapes.
std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '|':
        out += "\\p";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    switch (text[++i]) {
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 'p':
        out += '|';
        break;
      default:
        out += text[i];
    }
  }
  return out;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t begin = 0;
  for (;;) {
    const size_t end = text.find(separator, begin);
    parts.push_back(text.substr(begin, end - begin));
    if (end == std::string::npos) return parts;
    begin = end + 1;
  }
}

std::optional<int> number(const std::string& text) {
  try {
    return toInteger(text);
  } catch (const EConvertError&) {
    return std::nullopt;
  }
}

std::string whenOf(const std::string& time) {
  if (time.size() < 16) return time;
  return time.substr(0, 10) + " " + time.substr(11, 5);
}

std::string tabbed(const std::vector<std::string>& columns) {
  std::string line;
  for (const std::string& column : columns) line += (line.empty() ? "" : "\t") + column;
  return line;
}

}  // namespace

std::string JournalEntry::when() const {
  return whenOf(time);
}

std::string OrdersEntry::when() const {
  return whenOf(time);
}

std::string ScheduleEntry::when() const {
  return whenOf(time);
}

std::string journalLine(const JournalEntry& entry) {
  std::string files;
  for (const JournalFile& file : entry.files) {
    if (!files.empty()) files += '|';
    files += escaped(file.name) + "=" + file.sha256;
  }
  const std::vector<std::string> columns{escaped(entry.time),
                                         escaped(entry.gameFile),
                                         escaped(entry.gameName),
                                         std::to_string(entry.year),
                                         std::to_string(entry.player),
                                         escaped(entry.recipients),
                                         files,
                                         escaped(entry.messageId),
                                         escaped(entry.outcome),
                                         escaped(entry.lastReply)};
  return tabbed(columns);
}

std::string journalLine(const OrdersEntry& entry) {
  return tabbed({kOrdersKind, escaped(entry.time), escaped(entry.gameFile), escaped(entry.gameName),
                 std::to_string(entry.year), std::to_string(entry.player), escaped(entry.sender),
                 escaped(entry.file.name) + "=" + entry.file.sha256, escaped(entry.messageId),
                 escaped(entry.verdict), escaped(entry.reason)});
}

std::optional<OrdersEntry> parseOrdersLine(const std::string& line) {
  const std::vector<std::string> columns = split(line, '\t');
  if (columns.size() != kOrdersColumns || columns[0] != kOrdersKind) return std::nullopt;
  const std::optional<int> year = number(columns[4]);
  const std::optional<int> player = number(columns[5]);
  const size_t equals = columns[7].rfind('=');
  if (!year || !player || columns[1].empty() || columns[9].empty() || equals == std::string::npos ||
      columns[7].size() - equals - 1 != 64) {
    return std::nullopt;
  }
  return OrdersEntry{unescaped(columns[1]),
                     unescaped(columns[2]),
                     unescaped(columns[3]),
                     *year,
                     *player,
                     unescaped(columns[6]),
                     {unescaped(columns[7].substr(0, equals)), columns[7].substr(equals + 1)},
                     unescaped(columns[8]),
                     unescaped(columns[9]),
                     unescaped(columns[10])};
}

std::string journalLine(const ScheduleEntry& entry) {
  return tabbed({kScheduleKinds[static_cast<int>(entry.kind)], escaped(entry.time),
                 escaped(entry.gameFile), escaped(entry.gameName), std::to_string(entry.year),
                 std::to_string(entry.player), escaped(entry.detail), escaped(entry.recipients),
                 escaped(entry.messageId), escaped(entry.outcome)});
}

std::optional<ScheduleEntry> parseScheduleLine(const std::string& line) {
  const std::vector<std::string> columns = split(line, '\t');
  if (columns.size() != kScheduleColumns) return std::nullopt;
  int kind = 0;
  while (kind < 3 && columns[0] != kScheduleKinds[kind]) ++kind;
  const std::optional<int> year = number(columns[4]);
  const std::optional<int> player = number(columns[5]);
  if (kind == 3 || !year || !player || columns[1].empty() ||
      columns[6].find('=') == std::string::npos || columns[9].empty()) {
    return std::nullopt;
  }
  return ScheduleEntry{static_cast<ScheduleEntry::Kind>(kind),
                       unescaped(columns[1]),
                       unescaped(columns[2]),
                       unescaped(columns[3]),
                       *year,
                       *player,
                       unescaped(columns[6]),
                       unescaped(columns[7]),
                       unescaped(columns[8]),
                       unescaped(columns[9])};
}

std::string journalLine(const ReceiptEntry& entry) {
  return tabbed({kReceiptKind, escaped(entry.time), escaped(entry.gameFile),
                 std::to_string(entry.year), std::to_string(entry.player), escaped(entry.address),
                 entry.sha256, escaped(entry.messageId), escaped(entry.outcome)});
}

std::optional<ReceiptEntry> parseReceiptLine(const std::string& line) {
  const std::vector<std::string> columns = split(line, '\t');
  if (columns.size() != kReceiptColumns || columns[0] != kReceiptKind) return std::nullopt;
  const std::optional<int> year = number(columns[3]);
  const std::optional<int> player = number(columns[4]);
  if (!year || !player || columns[1].empty() || columns[6].size() != 64 || columns[8].empty()) {
    return std::nullopt;
  }
  return ReceiptEntry{unescaped(columns[1]),
                      unescaped(columns[2]),
                      *year,
                      *player,
                      unescaped(columns[5]),
                      columns[6],
                      unescaped(columns[7]),
                      unescaped(columns[8])};
}

std::optional<JournalEntry> parseJournalLine(const std::string& line) {
  const std::vector<std::string> columns = split(line, '\t');
  // A mailed line starts with its time; every other kind starts with its word.
  if (columns.size() < kColumns || columns[0].empty() ||
      !std::isdigit(static_cast<unsigned char>(columns[0][0]))) {
    return std::nullopt;
  }
  const std::optional<int> year = number(columns[3]);
  const std::optional<int> player = number(columns[4]);
  if (!year || !player || columns[8].empty()) return std::nullopt;
  JournalEntry entry{unescaped(columns[0]),
                     unescaped(columns[1]),
                     unescaped(columns[2]),
                     *year,
                     *player,
                     unescaped(columns[5]),
                     {},
                     unescaped(columns[7]),
                     unescaped(columns[8]),
                     unescaped(columns[9])};
  if (!columns[6].empty()) {
    for (const std::string& file : split(columns[6], '|')) {
      const size_t equals = file.rfind('=');
      if (equals == std::string::npos || file.size() - equals - 1 != 64) return std::nullopt;
      entry.files.push_back({unescaped(file.substr(0, equals)), file.substr(equals + 1)});
    }
  }
  return entry;
}

std::string journalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  std::string stamp = text;
  // ISO 8601's extended form writes the zone as +02:00.
  if (stamp.size() >= 5) stamp.insert(stamp.size() - 2, ":");
  return stamp;
}

std::vector<JournalFile> journalFilesOf(const std::vector<std::string>& paths) {
  std::vector<JournalFile> files;
  for (const std::string& path : paths) files.push_back({attachmentName(path), sha256OfFile(path)});
  return files;
}

std::string SendJournal::defaultPath() {
  return platform::stateDirectory() + "/journal.tsv";
}

SendJournal::SendJournal(std::string path) : path_(std::move(path)) {}

std::string SendJournal::damagedPath() const {
  const std::filesystem::path path(path_);
  return (path.parent_path() / (path.stem().string() + ".damaged.tsv")).string();
}

std::string SendJournal::load() {
  entries_.clear();
  damaged_ = 0;
  orders_.clear();
  schedule_.clear();
  receipts_.clear();
  if (!fileExists(path_) && !std::filesystem::exists(path_)) return {};
  std::ifstream in(path_, std::ios::binary);
  // A device would be read for ever.
  std::error_code error;
  if (!in || !std::filesystem::is_regular_file(path_, error)) {
    return "The send journal " + path_ +
           " cannot be read; turns mailed before may be mailed again.";
  }
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    // Orders lines first: their kind word is never a time, so no mailed line passes for one.
    if (std::optional<OrdersEntry> orders = parseOrdersLine(line)) {
      orders_.push_back(std::move(*orders));
    } else if (std::optional<ScheduleEntry> done = parseScheduleLine(line)) {
      schedule_.push_back(std::move(*done));
    } else if (std::optional<ReceiptEntry> receipt = parseReceiptLine(line)) {
      receipts_.push_back(std::move(*receipt));
    } else if (std::optional<JournalEntry> entry = parseJournalLine(line)) {
      entries_.push_back(std::move(*entry));
    } else {
      ++damaged_;
    }
  }
  if (in.bad()) {
    return "The send journal " + path_ +
           " cannot be read; turns mailed before may be mailed again.";
  }
  if (damaged_ == 0) return {};
  return "The send journal " + path_ + " has " + std::to_string(damaged_) +
         " damaged line(s); they were left out.";
}

namespace {

void writeWhole(int fd, const std::string& bytes, const std::string& path) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      throw EInOutError("Cannot append to", path, error);
    }
    written += static_cast<size_t>(n);
  }
  const bool synced = ::fdatasync(fd) == 0;
  const int error = errno;
  ::close(fd);
  if (!synced) throw EInOutError("Cannot append to", path, error);
}

int openForAppending(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) throw EInOutError("Cannot append to", path, errno);
  return fd;
}

}  // namespace

std::string SendJournal::setAsideDamaged() {
  std::ifstream in(path_, std::ios::binary);
  std::string whole, damaged, line;
  int count = 0;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    if (parseJournalLine(line) || parseOrdersLine(line) || parseScheduleLine(line) ||
        parseReceiptLine(line)) {
      whole += line + "\n";
    } else {
      damaged += line + "\n";
      ++count;
    }
  }
  if (in.bad()) throw EInOutError("Cannot read", path_, EIO);
  if (count == 0) return {};
  // The damaged lines are kept first, so that a failure before the journal is rewritten loses
  // nothing; at worst they are set aside twice.
  writeWhole(openForAppending(damagedPath()), damaged, damagedPath());
  const std::string temporary = path_ + ".tmp" + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) throw EInOutError("Cannot write", temporary, errno);
  try {
    writeWhole(fd, whole, temporary);
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  if (::rename(temporary.c_str(), path_.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    throw EInOutError("Cannot write", path_, error);
  }
  damaged_ = 0;
  return "The send journal " + path_ + " had " + std::to_string(count) +
         " damaged line(s), cut short by a full disk or a stopped run; they were moved to " +
         damagedPath() + ".";
}

void SendJournal::checkWritable() const {
  ::close(openForAppending(path_));
}

void SendJournal::append(const JournalEntry& entry) {
  appendLine(journalLine(entry));
  entries_.push_back(entry);
}

void SendJournal::append(const OrdersEntry& entry) {
  appendLine(journalLine(entry));
  orders_.push_back(entry);
}

void SendJournal::append(const ScheduleEntry& entry) {
  appendLine(journalLine(entry));
  schedule_.push_back(entry);
}

void SendJournal::append(const ReceiptEntry& entry) {
  appendLine(journalLine(entry));
  receipts_.push_back(entry);
}

bool SendJournal::receiptSent(const std::string& gameFile, const std::string& messageId,
                              const std::string& sha256) const {
  return std::any_of(receipts_.begin(), receipts_.end(), [&](const ReceiptEntry& receipt) {
    return receipt.sent() && receipt.gameFile == gameFile && receipt.messageId == messageId &&
           receipt.sha256 == sha256;
  });
}

void SendJournal::appendLine(const std::string& line) {
  const int fd = openForAppending(path_);
  std::string bytes = line + "\n";
  // A line cut short by a crash is ended first, so that the new one stays whole.
  const off_t size = ::lseek(fd, 0, SEEK_END);
  char last = '\n';
  if (size > 0 && ::pread(fd, &last, 1, size - 1) == 1 && last != '\n') bytes.insert(0, "\n");
  writeWhole(fd, bytes, path_);
}

std::optional<JournalEntry> SendJournal::mailed(const std::string& gameFile, int year, int player,
                                                const std::vector<JournalFile>& files) const {
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    if (entry->sent() && entry->gameFile == gameFile && entry->year == year &&
        entry->player == player && entry->files == files) {
      return *entry;
    }
  }
  return std::nullopt;
}

std::set<std::string> SendJournal::mailedAddresses(const std::string& gameFile, int year,
                                                   int player,
                                                   const std::vector<JournalFile>& files) const {
  std::set<std::string> addresses;
  for (const JournalEntry& entry : entries_) {
    if (entry.sent() && entry.gameFile == gameFile && entry.year == year &&
        entry.player == player && entry.files == files) {
      for (std::string& address : journalAddresses(entry.recipients)) addresses.insert(address);
    }
  }
  return addresses;
}

std::set<std::string> SendJournal::refusedAddresses(const std::string& gameFile, int year,
                                                    int player,
                                                    const std::vector<JournalFile>& files) const {
  const std::set<std::string> mailed = mailedAddresses(gameFile, year, player, files);
  std::set<std::string> refused;
  for (const JournalEntry& entry : entries_) {
    if (entry.sent() || entry.gameFile != gameFile || entry.year != year ||
        entry.player != player || entry.files != files) {
      continue;
    }
    for (std::string& address : journalAddresses(entry.recipients)) {
      if (mailed.count(address) == 0) refused.insert(std::move(address));
    }
  }
  return refused;
}

std::string journalAddress(const std::string& address) {
  const size_t begin = address.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  std::string text = address.substr(begin, address.find_last_not_of(" \t") - begin + 1);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> journalAddresses(const std::string& recipients) {
  std::vector<std::string> addresses;
  for (const std::string& item : split(recipients, ',')) {
    if (std::string address = journalAddress(item); !address.empty()) {
      addresses.push_back(std::move(address));
    }
  }
  return addresses;
}

std::optional<JournalEntry> SendJournal::lastWord(const std::string& gameFile, int year,
                                                  int player) const {
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    if (entry->gameFile == gameFile && entry->year == year && entry->player == player) {
      return *entry;
    }
  }
  return std::nullopt;
}

std::optional<JournalEntry> SendJournal::lastSentBefore(const std::string& gameFile, int year,
                                                        int player) const {
  const JournalEntry* latest = nullptr;
  for (const JournalEntry& entry : entries_) {
    if (!entry.sent() || entry.gameFile != gameFile || entry.player != player) continue;
    if (entry.year < year && (latest == nullptr || entry.year >= latest->year)) latest = &entry;
  }
  if (latest == nullptr) return std::nullopt;
  return *latest;
}

}  // namespace zelvaro::core
