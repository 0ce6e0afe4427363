// The File menu and the recent games of the main window: opening, saving, the save-changes
// question and what each of its answers does to every command.

#include <filesystem>

#include "main_window_test.h"

namespace zelvaro::test {
namespace {

using Button = platform::Button;
using Names = std::vector<std::string>;

TEST_F(MainWindowTest, OpenShowsTheGameAndListsItFirst) {
  start();
  const std::string path = writeGame("Orion", "Turn %Y of %G");
  EXPECT_FALSE(enabled("Save1"));
  EXPECT_FALSE(enabled("Close1"));
  EXPECT_FALSE(enabled("Gamespecificoptions1"));

  openThroughMenu(path);

  EXPECT_EQ(recorded().dialogs.back().filter, "Zelvaro files (*.zv)");
  EXPECT_EQ(gamename()->currentText().toStdString(), "Orion");
  EXPECT_EQ(find<QLineEdit>("subject")->text().toStdString(), "Turn %Y of %G");
  EXPECT_EQ(find<QPlainTextEdit>("Memo1")->toPlainText().toStdString(), "Hello %P\n\nbye");
  EXPECT_EQ(window->contestors().cell(0, 2), "Ann");
  EXPECT_EQ(window->contestors().cell(1, 1), "2");
  EXPECT_EQ(window->game().filePath, path);
  EXPECT_FALSE(window->game().changed);
  EXPECT_TRUE(enabled("Save1") && enabled("Close1") && enabled("Gamespecificoptions1"));
  EXPECT_EQ(listedGames(), Names{"Orion"});
  EXPECT_EQ(window->settings().recentGames.pathOf("Orion"), path);
  EXPECT_TRUE(shown().empty());
}

TEST_F(MainWindowTest, OpeningAListedGameOnAFullListLeavesSeven) {
  start();
  for (const char* name : {"H", "G", "F", "E", "D", "C", "B", "A"}) {
    openThroughMenu(writeGame(name));
  }
  EXPECT_EQ(listedGames(), (Names{"A", "B", "C", "D", "E", "F", "G", "H"}));

  openThroughMenu(dir.file("C.zv"));
  EXPECT_EQ(listedGames(), (Names{"C", "A", "B", "D", "E", "F", "G"}));

  // A pick moves the game to the front the same way, and the box shows its name afterwards.
  pick(3);
  EXPECT_EQ(window->game().filePath, dir.file("D.zv"));
  EXPECT_EQ(listedGames(), (Names{"D", "C", "A", "B", "E", "F", "G"}));
  EXPECT_TRUE(window->panic().isActive());
  window->panicTimer();
  EXPECT_FALSE(window->panic().isActive());
  EXPECT_EQ(gamename()->currentText().toStdString(), "D");
  EXPECT_EQ(window->game().name, "D");
}

TEST_F(MainWindowTest, PickingAGameWhoseFileIsGoneLeavesAnEmptyGameNamedAfterIt) {
  core::WriteKey(settingsPath, "history0", core::CommaList::join({"Gone", dir.file("gone.zv")}));
  core::WriteKey(settingsPath, "history1", core::CommaList::join({"Kept", writeGame("Kept")}));
  start();
  openThroughMenu(dir.file("Kept.zv"));
  ASSERT_EQ(listedGames(), (Names{"Kept", "Gone"}));

  pick(1);
  window->panicTimer();

  EXPECT_TRUE(shown().empty());
  EXPECT_EQ(window->game().filePath, dir.file("gone.zv"));
  EXPECT_TRUE(window->game().roster.empty());
  EXPECT_EQ(window->contestors().cell(0, 2), "");
  EXPECT_EQ(find<QLineEdit>("subject")->text().toStdString(), "");
  EXPECT_EQ(gamename()->currentText().toStdString(), "Gone");
  EXPECT_TRUE(enabled("Save1"));
}

TEST_F(MainWindowTest, ADamagedGameFileOpensWithTheDamageSaid) {
  start();
  const std::string path = writeGame("Orion");
  std::string text = readFile(path);
  text.erase(text.find(",0\r\n"));  // cut after the first of the two roster entries
  writeFile(path, text);

  openThroughMenu(path);

  EXPECT_EQ(shown(), (std::vector<std::string>{"Game file damaged: " + path +
                                               ": the roster count is 2 but the file ends "
                                               "after 1 entry"}));
  EXPECT_EQ(window->contestors().cell(0, 2), "Ann");
  EXPECT_EQ(window->game().filePath, path);
  EXPECT_TRUE(enabled("Save1"));
}

TEST_F(MainWindowTest, ASettingsFolderInTheWayIsSaidOnceAndTheDefaultsServe) {
  settingsPath = dir.file("folder.cfg");
  std::filesystem::create_directory(settingsPath);
  start();
  EXPECT_EQ(shown(),
            (std::vector<std::string>{"Cannot write " + settingsPath + ": Is a directory"}));
  EXPECT_EQ(window->settings().defalias, "yournamehere");
  EXPECT_EQ(window->settings().database, core::defaultDatabasePath());
  EXPECT_TRUE(std::filesystem::is_directory(settingsPath));
}

TEST_F(MainWindowTest, SaveAsAppendsTheExtensionOnlyWhenItIsMissing) {
  start();
  find<QLineEdit>("subject")->setText("Turn %Y");
  gamename()->setEditText("Vega");

  recorded().answerNextFile(dir.file("vega"));
  EXPECT_TRUE(window->Saveas1Click());
  EXPECT_EQ(window->game().filePath, dir.file("vega.zv"));
  EXPECT_FALSE(window->game().changed);
  EXPECT_TRUE(enabled("Save1") && enabled("Close1") && enabled("Gamespecificoptions1"));
  EXPECT_EQ(listedGames(), Names{"Vega"});
  const core::Game saved = readSaved(dir.file("vega.zv"));
  EXPECT_EQ(saved.name, "Vega");
  EXPECT_EQ(saved.subject, "Turn %Y");

  // The proposed name is the game file; a name ending in ".zv" in any case is kept.
  recorded().answerNextFile(dir.file("Other.Zv"));
  EXPECT_TRUE(window->Saveas1Click());
  EXPECT_EQ(recorded().dialogs.back().fileName, dir.file("vega.zv"));
  EXPECT_EQ(window->game().filePath, dir.file("Other.Zv"));
  EXPECT_EQ(readFile(dir.file("Other.Zv")), readFile(dir.file("vega.zv")));

  // Cancelled: nothing saved, still changed.
  find<QLineEdit>("subject")->setText("edited");
  EXPECT_FALSE(window->Saveas1Click());
  EXPECT_TRUE(window->game().changed);
}

TEST_F(MainWindowTest, SaveWritesTheEditsToTheGameFile) {
  start();
  openThroughMenu(writeGame("Orion"));
  find<QLineEdit>("xyfilename")->setText("/games/orion.xy");
  find<QPlainTextEdit>("Memo1")->setPlainText("one\ntwo\n");
  ASSERT_TRUE(window->game().changed);

  trigger("Save1");

  EXPECT_FALSE(window->game().changed);
  const core::Game saved = readSaved(dir.file("Orion.zv"));
  EXPECT_EQ(saved.universePath, "/games/orion.xy");
  EXPECT_EQ(saved.body, (Names{"one", "two"}));
  EXPECT_EQ(saved.roster.size(), 2u);
}

// A changed game whose question is answered Cancel: every command leaves it as it is.
class SaveChangesCancelTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    start();
    openThroughMenu(writeGame("Other"));
    openThroughMenu(writeGame("Orion"));
    find<QLineEdit>("subject")->setText("edited");
    window->show();
    recorded().clear();
  }
  void cancelNext() { recorded().answerNext(Button::Cancel); }
  void expectUntouched() {
    EXPECT_EQ(shown(), Names{"Save the changes, or what?"});
    EXPECT_EQ(window->game().filePath, dir.file("Orion.zv"));
    EXPECT_EQ(window->game().subject, "edited");
    EXPECT_EQ(find<QLineEdit>("subject")->text().toStdString(), "edited");
    EXPECT_EQ(gamename()->currentText().toStdString(), "Orion");
    EXPECT_EQ(window->game().roster.size(), 2u);
    EXPECT_TRUE(window->game().changed);
    EXPECT_TRUE(enabled("Save1"));
    EXPECT_EQ(listedGames(), (Names{"Orion", "Other"}));
    EXPECT_TRUE(window->isVisible());
  }
};

TEST_F(SaveChangesCancelTest, AbandonsNewOpenCloseAndExit) {
  for (const char* item : {"New1", "Open1", "Close1", "Exit1"}) {
    SCOPED_TRACE(item);
    recorded().clear();
    recorded().answerNextFile(dir.file("Other.zv"));  // for Open, were it to ask
    cancelNext();
    trigger(item);
    expectUntouched();
    recorded().fileAnswers.clear();
  }
}

TEST_F(SaveChangesCancelTest, AbandonsThePlayerWizardAndAPick) {
  int wizardRuns = 0;
  window->playerWizard = [&] { ++wizardRuns; };
  cancelNext();
  trigger("Playerwiz1");
  EXPECT_EQ(wizardRuns, 0);
  expectUntouched();

  recorded().clear();
  cancelNext();
  pick(1);
  expectUntouched();
  EXPECT_FALSE(window->panic().isActive());
}

TEST_F(SaveChangesCancelTest, YesWithACancelledSaveDialogAbandonsTheCommand) {
  recorded().answerNext(Button::Yes);
  trigger("New1");  // the save dialog gets no answer: cancelled
  expectUntouched();
  EXPECT_EQ(recorded().dialogs.back().fileName, dir.file("Orion.zv"));
}

TEST_F(SaveChangesCancelTest, YesSavesThePickedAwayGameUnderItsOwnName) {
  recorded().answerNext(Button::Yes);
  recorded().answerNextFile(dir.file("Orion.zv"));
  pick(1);
  window->panicTimer();

  EXPECT_EQ(window->game().filePath, dir.file("Other.zv"));
  EXPECT_EQ(gamename()->currentText().toStdString(), "Other");
  const core::Game saved = readSaved(dir.file("Orion.zv"));
  EXPECT_EQ(saved.name, "Orion");
  EXPECT_EQ(saved.subject, "edited");
}

TEST_F(SaveChangesCancelTest, NoGoesOnWithoutSaving) {
  int wizardRuns = 0;
  window->playerWizard = [&] { ++wizardRuns; };
  recorded().answerNext(Button::No);
  trigger("Playerwiz1");
  EXPECT_EQ(wizardRuns, 1);

  recorded().answerNext(Button::No);
  trigger("Close1");
  EXPECT_EQ(window->game().filePath, "");
  EXPECT_FALSE(window->game().changed);
  EXPECT_NE(readFile(dir.file("Orion.zv")).find("Turn %Y"), std::string::npos);
}

TEST_F(MainWindowTest, NewAfterOpenLeavesAGameWithoutAFile) {
  start();
  openThroughMenu(writeGame("Orion"));

  trigger("New1");

  EXPECT_EQ(questions(), 0);
  EXPECT_EQ(window->game().filePath, "");
  EXPECT_FALSE(enabled("Save1") || enabled("Close1") || enabled("Gamespecificoptions1"));
  EXPECT_EQ(gamename()->currentText().toStdString(), "");
  EXPECT_EQ(listedGames(), Names{"Orion"});
  EXPECT_TRUE(window->game().roster.empty());
  EXPECT_TRUE(find<QCheckBox>("mfile")->isChecked());
  EXPECT_FALSE(find<QCheckBox>("xyfile")->isChecked());
  EXPECT_FALSE(window->game().changed);
  // New stored the recent games.
  EXPECT_EQ(core::ReadKey(settingsPath, "history0"),
            core::CommaList::join({"Orion", dir.file("Orion.zv")}));

  recorded().answerNextFile(std::nullopt);
  window->Saveas1Click();
  EXPECT_EQ(recorded().dialogs.back().fileName, "");
}

TEST_F(MainWindowTest, RenamingTheGameAloneDoesNotMakeCloseAsk) {
  start();
  openThroughMenu(writeGame("Orion"));

  gamename()->setEditText("Orion Nebula");
  EXPECT_EQ(window->game().name, "Orion Nebula");
  EXPECT_FALSE(window->game().changed);
  trigger("Close1");

  EXPECT_EQ(questions(), 0);
  EXPECT_EQ(window->game().filePath, "");
  EXPECT_FALSE(enabled("Close1"));
  EXPECT_EQ(window->contestors().rowCount(), 1);
  EXPECT_EQ(listedGames(), Names{"Orion"});
}

}  // namespace
}  // namespace zelvaro::test
