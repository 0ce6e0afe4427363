#include "core/send_journal.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "core_test.h"

namespace zelvaro::core {
namespace {

JournalEntry entry(int player, const std::string& outcome, const std::string& hash) {
  return {"2026-05-01T08:18:02+02:00",
          "/g/orion.zv",
          "Orion\tCup",
          2426,
          player,
          "a@x,b@y",
          {{"orion.m" + std::to_string(player), hash}, {"odd|name=.txt", hash}},
          "<1@x>",
          outcome,
          "221 Bye\r\nnow"};
}

const std::string kHashA(64, 'a');
const std::string kHashB(64, 'b');

class SendJournalTest : public CoreTest {
 protected:
  std::string path = dir.file("state/journal.tsv");
};

TEST_F(SendJournalTest, LinesGoBackAndForthWhateverTheValuesHold) {
  const JournalEntry sent = entry(3, "sent", kHashA);
  const std::optional<JournalEntry> back = parseJournalLine(journalLine(sent));
  ASSERT_TRUE(back);
  EXPECT_EQ(journalLine(*back), journalLine(sent));
  EXPECT_EQ(back->gameName, "Orion\tCup");
  EXPECT_EQ(back->files, sent.files);
  EXPECT_EQ(back->lastReply, "221 Bye\r\nnow");
  EXPECT_EQ(back->when(), "2026-05-01 08:18");
  const std::string line = journalLine(sent);
  EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 9);
  EXPECT_EQ(journalTime().size(), 25u) << journalTime();
}

TEST_F(SendJournalTest, AnAlreadyMailedTurnNeedsTheSameFilesAndASentLine) {
  SendJournal journal(path);
  std::filesystem::create_directories(dir.file("state"));
  EXPECT_EQ(journal.load(), "") << "no journal yet is no problem";
  journal.append(entry(3, "sent", kHashA));
  journal.append(entry(4, "failed: 550 mailbox unavailable", kHashA));

  SendJournal again(path);
  EXPECT_EQ(again.load(), "");
  const auto files = entry(3, "", kHashA).files;
  EXPECT_TRUE(again.mailed("/g/orion.zv", 2426, 3, files));
  EXPECT_FALSE(again.mailed("/g/orion.zv", 2426, 3, entry(3, "", kHashB).files)) << "new bytes";
  EXPECT_FALSE(again.mailed("/g/orion.zv", 2427, 3, files));
  EXPECT_FALSE(again.mailed("/g/other.zv", 2426, 3, files));
  EXPECT_FALSE(again.mailed("/g/orion.zv", 2426, 4, entry(4, "", kHashA).files)) << "failed";
  EXPECT_EQ(again.lastWord("/g/orion.zv", 2426, 4)->outcome, "failed: 550 mailbox unavailable");
}

TEST_F(SendJournalTest, ADamagedJournalIsToldAndTheWholeLinesKept) {
  std::filesystem::create_directories(dir.file("state"));
  test::writeFile(path, journalLine(entry(1, "sent", kHashA)) + "\ngarbage\n" +
                            journalLine(entry(2, "sent", kHashA)).substr(0, 40));
  SendJournal journal(path);
  EXPECT_NE(journal.load().find("2 damaged line(s)"), std::string::npos);
  EXPECT_EQ(journal.entries().size(), 1u);

  journal.append(entry(3, "sent", kHashA));
  EXPECT_NE(journal.load().find("2 damaged"), std::string::npos) << "the cut line stays cut";
  EXPECT_EQ(journal.entries().back().player, 3) << "the new line is whole after a cut one";

  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  EXPECT_NE(journal.load().find("cannot be read"), std::string::npos);
  EXPECT_THROW(journal.append(entry(1, "sent", kHashA)), EInOutError);
}

TEST_F(SendJournalTest, CutShortLinesAreSetAsideOnceAndLinesOfOtherKindsKept) {
  std::filesystem::create_directories(dir.file("state"));
  const std::string sent = journalLine(entry(1, "sent", kHashA));
  const std::string cut = journalLine(entry(2, "sent", kHashA)).substr(0, 40);
  const std::string later = journalLine(entry(3, "orders", kHashA)) + "\tsome later column";
  test::writeFile(path, sent + "\n" + cut + "\n" + later + "\n");
  SendJournal journal(path);
  EXPECT_NE(journal.load().find("1 damaged line(s)"), std::string::npos);
  EXPECT_EQ(journal.damagedLines(), 1);
  EXPECT_EQ(journal.setAsideDamaged(),
            "The send journal " + path +
                " had 1 damaged line(s), cut short by a full disk or a stopped run; they were "
                "moved to " +
                dir.file("state/journal.damaged.tsv") + ".");
  EXPECT_EQ(test::readFile(path), sent + "\n" + later + "\n");
  EXPECT_EQ(test::readFile(journal.damagedPath()), cut + "\n");
  EXPECT_EQ(journal.load(), "");
  EXPECT_EQ(journal.setAsideDamaged(), "") << "told once";
  EXPECT_EQ(journal.entries().size(), 2u);
}

TEST_F(SendJournalTest, EachAddressKeepsItsOwnOutcome) {
  SendJournal journal(path);
  JournalEntry line = entry(3, "sent", kHashA);
  const auto files = line.files;
  line.recipients = " Ann@X.org";
  journal.append(line);
  line.outcome = "failed: 450 mailbox busy";
  line.recipients = "gone@x.org";
  journal.append(line);
  EXPECT_EQ(journal.mailedAddresses("/g/orion.zv", 2426, 3, files),
            std::set<std::string>{"ann@x.org"});
  EXPECT_EQ(journal.refusedAddresses("/g/orion.zv", 2426, 3, files),
            std::set<std::string>{"gone@x.org"});
  EXPECT_TRUE(journal.refusedAddresses("/g/orion.zv", 2426, 3, entry(3, "", kHashB).files).empty())
      << "other files";
  line.outcome = "sent";
  journal.append(line);
  EXPECT_TRUE(journal.refusedAddresses("/g/orion.zv", 2426, 3, files).empty());
}

TEST_F(SendJournalTest, AFullDiskIsAnError) {
  SendJournal journal("/dev/full");
  journal.checkWritable();
  try {
    journal.append(entry(1, "sent", kHashA));
    ADD_FAILURE() << "appended to a full disk";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.errorNumber(), ENOSPC);
  }
  test::writeFile(dir.file("afile"), "");
  EXPECT_THROW(SendJournal(dir.file("afile/journal.tsv")).checkWritable(), EInOutError)
      << "a file where its folder should be";
}

TEST_F(SendJournalTest, TheJournalLivesInTheStateFolder) {
  const std::string saved = std::getenv("XDG_STATE_HOME");
  setenv("XDG_STATE_HOME", dir.path().c_str(), 1);
  EXPECT_EQ(SendJournal::defaultPath(), dir.file("zelvaro/journal.tsv"));
  unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(SendJournal::defaultPath(),
            std::string(std::getenv("HOME")) + "/.local/state/zelvaro/journal.tsv");
  setenv("XDG_STATE_HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace zelvaro::core
