#pragma once

// The send journal: one line per mailed (or failed) roster entry, kept across runs, so that a
// turn is never mailed twice, whether the host presses Send again or cron runs twice. Lines are
// tab-separated text; each is appended and flushed to disk before the session moves on, so a
// killed run leaves every line it wrote whole.

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zelvaro::core {

struct JournalFile {
  std::string name;    // as attached
  std::string sha256;  // 64 lowercase hex digits
  bool operator==(const JournalFile&) const = default;
};

struct JournalEntry {
  std::string time;      // ISO 8601 with zone: 2026-05-01T08:18:02+02:00
  std::string gameFile;  // absolute
  std::string gameName;
  int year = 0;
  int player = 0;
  std::string recipients;  // comma-separated
  std::vector<JournalFile> files;
  std::string messageId;
  // "sent"; "sent anyway: " and why the files were not right; or "failed: " and the reason. A
  // message some of whose addresses were refused has a sent line for those that took it and a
  // "failed" line for each refused one.
  std::string outcome;
  std::string lastReply;  // for a sent message, the server's reply to the end of its data

  // The message went out (also one the operator chose to mail as it was).
  bool sent() const { return outcome == "sent" || outcome.starts_with("sent anyway: "); }
  // "2026-05-01 08:18"
  std::string when() const;
};

// The verdict on an orders file a player sent in. Its line starts with the word "orders" and
// has a shape of its own, so a reader that knows only mailed lines leaves it out.
struct OrdersEntry {
  std::string time;
  std::string gameFile;
  std::string gameName;
  int year = 0;        // the game's year when the file was judged
  int player = 0;      // the file's player number, 0 when it named none
  std::string sender;  // the address, or "incoming/" and the file's name for the drop folder
  JournalFile file;
  std::string messageId;
  std::string verdict;  // "accepted", "duplicate" or "rejected"
  std::string reason;

  bool in() const { return verdict == "accepted" || verdict == "duplicate"; }
  std::string when() const;
};

// What the schedule did for a game's year. Its line starts with its kind word and its seventh
// column is "key=value", never a file list, so a reader that knows only mailed lines leaves it
// out, as it leaves out orders lines.
struct ScheduleEntry {
  enum class Kind { Reminder, Deadline, Generation };
  Kind kind = Kind::Reminder;
  std::string time;
  std::string gameFile;
  std::string gameName;
  int year = 0;
  int player = 0;  // Reminder: the player reminded; else 0
  // Reminder: "hours=" and the reminder time; Deadline: "out=" and the players out;
  // Generation: "command=" and the command run.
  std::string detail;
  std::string recipients;  // the addresses mailed, comma-separated; empty for a generation
  std::string messageId;
  // Reminder and Deadline: "sent" or "failed: " and why. Generation: "started", then "ok" or
  // "failed: " and why (its exit status, the time limit, a signal).
  std::string outcome;

  bool sent() const { return outcome == "sent"; }
  std::string when() const;
};

// Whether the receipt for an orders file of a message went back to its sender. Its line
// starts with the word "receipt", so that a rerun over the same message never mails it twice.
struct ReceiptEntry {
  std::string time;
  std::string gameFile;
  int year = 0;
  int player = 0;
  std::string address;    // where it went
  std::string sha256;     // of the orders file it answers
  std::string messageId;  // of the message it answers
  std::string outcome;    // "sent", or "failed: " and why

  bool sent() const { return outcome == "sent"; }
};

std::string journalLine(const JournalEntry& entry);
std::string journalLine(const OrdersEntry& entry);
std::string journalLine(const ScheduleEntry& entry);
std::optional<OrdersEntry> parseOrdersLine(const std::string& line);
std::optional<ScheduleEntry> parseScheduleLine(const std::string& line);
std::string journalLine(const ReceiptEntry& entry);
std::optional<OrdersEntry> parseOrdersLine(const std::string& line);
std::optional<ReceiptEntry> parseReceiptLine(const std::string& line);
// Nothing for a line that is not a whole journal line. Lines with more columns than these (of a
// later kind or version) are whole; their further columns are not kept.
std::optional<JournalEntry> parseJournalLine(const std::string& line);
// The time now as the journal writes it.
std::string journalTime();

// Names and SHA-256 of the files; throws EInOutError when one cannot be read.
std::vector<JournalFile> journalFilesOf(const std::vector<std::string>& paths);

class SendJournal {
 public:
  // $XDG_STATE_HOME/zelvaro/journal.tsv, else ~/.local/state/zelvaro/journal.tsv.
  static std::string defaultPath();

  explicit SendJournal(std::string path = defaultPath());

  // Reads the whole journal again. A journal that cannot be read or has damaged lines never
  // stops anything: what is whole is kept, and the returned text says what is wrong (empty
  // when nothing is).
  std::string load();
  // Lines of the last load() that were not whole (cut short by a full disk or a kill).
  int damagedLines() const { return damaged_; }
  // Moves the damaged lines to damagedPath() and rewrites the journal without them, so that
  // they are reported once; the returned text says so. Only while holding the game's lock:
  // nobody else may append meanwhile. Throws EInOutError.
  std::string setAsideDamaged();
  std::string damagedPath() const;
  // Opens the journal for appending, creating it and its folder; throws EInOutError.
  void checkWritable() const;
  // Writes the line at the end of the file and flushes it to disk; throws EInOutError.
  void append(const JournalEntry& entry);
  void append(const OrdersEntry& entry);
  void append(const ScheduleEntry& entry);
  void append(const ReceiptEntry& entry);

  const std::string& path() const { return path_; }
  const std::vector<JournalEntry>& entries() const { return entries_; }
  const std::vector<OrdersEntry>& orders() const { return orders_; }
  const std::vector<ScheduleEntry>& schedule() const { return schedule_; }
  const std::vector<ReceiptEntry>& receipts() const { return receipts_; }
  // A receipt for this orders file of this message went out.
  bool receiptSent(const std::string& gameFile, const std::string& messageId,
                   const std::string& sha256) const;
  // The last "sent" line of this game, year and player with exactly these files.
  std::optional<JournalEntry> mailed(const std::string& gameFile, int year, int player,
                                     const std::vector<JournalFile>& files) const;
  // The addresses (trimmed, in lower case) that took these files of this game, year and player.
  std::set<std::string> mailedAddresses(const std::string& gameFile, int year, int player,
                                        const std::vector<JournalFile>& files) const;
  // Addresses that failed to take these files and never took them since: what is still due
  // for a player who was mailed at his other addresses.
  std::set<std::string> refusedAddresses(const std::string& gameFile, int year, int player,
                                         const std::vector<JournalFile>& files) const;
  // The journal's last word on this game, year and player, sent or failed.
  std::optional<JournalEntry> lastWord(const std::string& gameFile, int year, int player) const;
  // The last message that went out to this player of this game for a year before `year`.
  std::optional<JournalEntry> lastSentBefore(const std::string& gameFile, int year,
                                             int player) const;

 private:
  void appendLine(const std::string& line);

  std::string path_;
  std::vector<JournalEntry> entries_;
  std::vector<OrdersEntry> orders_;
  std::vector<ScheduleEntry> schedule_;
  std::vector<ReceiptEntry> receipts_;
  int damaged_ = 0;
};

// An address as the journal compares it: trimmed, in lower case.
std::string journalAddress(const std::string& address);
// The addresses of an entry's recipients column.
std::vector<std::string> journalAddresses(const std::string& recipients);

}  // namespace zelvaro::core
