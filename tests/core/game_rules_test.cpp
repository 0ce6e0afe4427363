#include "core/game_rules.h"

#include <cstdlib>
#include <filesystem>

#include "core/status_page.h"
#include "core/text_file.h"
#include "core_test.h"

namespace zelvaro::core {
namespace {

class GameRulesTest : public CoreTest {};

TEST_F(GameRulesTest, DeadlineWordsReadAndWriteBack) {
  for (const char* text : {"none", "daily 20:00", "weekly sun 09:30", "after 48", "after 0.01"}) {
    auto deadline = parseDeadline(text);
    ASSERT_TRUE(deadline) << text;
    EXPECT_EQ(deadlineText(*deadline), text);
  }
  EXPECT_EQ(deadlineText(*parseDeadline("  Weekly  MON 7:05 ")), "weekly mon 07:05");
  for (const char* bad : {"", "daily", "daily 24:00", "daily 20:60", "weekly xyz 10:00", "after -1",
                          "after 0", "after 2h", "sometimes"}) {
    EXPECT_FALSE(parseDeadline(bad)) << bad;
  }
  EXPECT_EQ(parseReminderHours("24, 2,0.005"), (std::vector<double>{24, 2, 0.005}));
  EXPECT_EQ(parseReminderHours(""), std::vector<double>{});
  EXPECT_FALSE(parseReminderHours("24,soon"));
}

TEST_F(GameRulesTest, AFileRoundTripsAndAMissingOneGivesTheDefaults) {
  const std::string path = rulesPathFor(dir.file("orion.zv"));
  EXPECT_EQ(path, dir.file("orion.zv.rules"));
  EXPECT_EQ(readGameRules(path).rules, GameRules{});
  EXPECT_TRUE(shown().empty());

  GameRules rules;
  rules.deadline = *parseDeadline("daily 20:00");
  rules.reminders = {12};
  rules.generateCommand = "wine stars.exe -g %H, then more";
  rules.generateWhen = GenerateWhen::AllIn;
  rules.graceMinutes = 15;
  rules.reminderBody = {"Line one with a \\ backslash", "", "%G due %D"};
  rules.statusPage = dir.file("status.html");
  rules.rejectSubject = "Bounced, %P";
  rules.receiptBody = {"Thanks, %P."};
  writeGameRules(path, rules);
  RulesReading back = readGameRules(path);
  EXPECT_EQ(back.rules, rules);
  EXPECT_TRUE(back.problems.empty());
}

TEST_F(GameRulesTest, AValueNotUnderstoodKeepsItsDefaultAndSaysSo) {
  const std::string path = file("g.zv.rules", {"deadline,tomorrow", "grace,5", "generatewhen,x"});
  RulesReading reading = readGameRules(path);
  EXPECT_EQ(reading.rules.deadline, Deadline{});
  EXPECT_EQ(reading.rules.graceMinutes, 5);
  ASSERT_EQ(reading.problems.size(), 2u);
  EXPECT_NE(reading.problems[0].find("deadline \"tomorrow\""), std::string::npos);
  EXPECT_EQ(withDeadlineWords("Due %D, %d; %Y stays", "Friday"), "Due Friday, Friday; %Y stays");
}

TEST_F(GameRulesTest, TheHostFileIsOneShellWordWhateverItsName) {
  const std::string host = dir.path() + "/it's $(touch " + dir.file("pwned") + ") a game.hst";
  EXPECT_EQ(generateCommandLine("wine stars.exe -g %H && ls %h", "/a b/x.hst"),
            "wine stars.exe -g '/a b/x.hst' && ls '/a b/x.hst'");
  const std::string command = generateCommandLine("printf '%s' %H > " + dir.file("out"), host);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_EQ(test::readFile(dir.file("out")), host);
  EXPECT_FALSE(std::filesystem::exists(dir.file("pwned")));
}

TEST_F(GameRulesTest, TheStatusPageEscapesNamesAndIsWrittenWhole) {
  StatusPage page;
  page.gameName = "Orion <beta>";
  page.year = 2414;
  page.deadline = "Tuesday 8 December 2026, 20:00";
  page.timeLeft = "2 hours";
  page.rows = {{1, "Admiral \"Vex\" & co", "2026-12-08 18:00", StatusRow::Orders::In, "19:02"},
               {2, "<script>x</script>", "", StatusRow::Orders::Out, ""}};
  page.updatedAt = "2026-12-08 19:02";
  const std::string html = statusPageHtml(page);
  EXPECT_NE(html.find("<title>Orion &lt;beta&gt;, year 2414</title>"), std::string::npos);
  EXPECT_NE(html.find("Admiral &quot;Vex&quot; &amp; co"), std::string::npos);
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_NE(html.find("<td class=\"in\">in 19:02</td>"), std::string::npos);
  EXPECT_NE(html.find("not yet</td><td class=\"out\">out</td>"), std::string::npos);

  writeStatusPage(dir.file("status.html"), page);
  std::string onDisk = test::readFile(dir.file("status.html"));
  std::erase(onDisk, '\r');
  EXPECT_EQ(onDisk, html + "\n");
}

}  // namespace
}  // namespace zelvaro::core
