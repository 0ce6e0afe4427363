// The main window from the keyboard: shortcuts, mnemonics, the View menu, the focus order and
// the title that names the game and its unsaved changes.

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "core/version.h"
#include "main_window_test.h"
#include "ui/help_window.h"
#include "ui/text_window.h"

namespace zelvaro::test {
namespace {

class MainWindowKeyboardTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    start().show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  void press(QKeyCombination keys) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    QTest::keyClick(target, keys.key(), keys.keyboardModifiers());
  }

  std::string focused() const {
    QWidget* widget = QApplication::focusWidget();
    return widget != nullptr ? widget->objectName().toStdString() : "<none>";
  }
};

TEST_F(MainWindowKeyboardTest, EachShortcutRunsItsCommand) {
  const std::string orion = writeGame("orion");
  recorded().answerNextFile(orion);
  press(Qt::CTRL | Qt::Key_O);
  EXPECT_EQ(gamename()->currentText(), "orion");
  ASSERT_TRUE(enabled("Save1"));

  find<QLineEdit>("subject")->setText("Saved by key");
  press(Qt::CTRL | Qt::Key_S);
  EXPECT_EQ(readSaved(orion).subject, "Saved by key");

  recorded().answerNextFile(dir.file("copy"));
  press(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
  EXPECT_EQ(readSaved(dir.file("copy.zv")).subject, "Saved by key");

  press(Qt::CTRL | Qt::Key_N);
  EXPECT_EQ(gamename()->currentText(), "");
  EXPECT_FALSE(enabled("Save1"));

  press(Qt::Key_F1);
  ASSERT_NE(window->helpWindow(), nullptr);
  EXPECT_TRUE(window->helpWindow()->isVisible());
  window->helpWindow()->close();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

  // From inside the body, which must not take the keys for itself. An empty roster is
  // refused by the session, which shows that Send ran.
  find<QPlainTextEdit>("Memo1")->setFocus();
  recorded().clear();
  press(Qt::CTRL | Qt::Key_Return);
  EXPECT_EQ(shown(), std::vector<std::string>{"Send to WHO, bozo??"});
  EXPECT_EQ(find<QPlainTextEdit>("Memo1")->toPlainText(), "");

  recorded().clear();
  press(Qt::CTRL | Qt::Key_Q);
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(shown().empty()) << "nothing changed since the last save";
}

TEST_F(MainWindowKeyboardTest, EveryMenuAndItemHasAMnemonicOfItsOwn) {
  auto mnemonic = [](const QString& text) {
    const qsizetype at = text.indexOf('&');
    return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
  };
  QList<QChar> menus;
  for (QAction* menu : window->menuBar()->actions()) {
    menus << mnemonic(menu->text());
    QList<QChar> items;
    for (QAction* item : menu->menu()->actions()) {
      if (!item->isSeparator()) items << mnemonic(item->text());
    }
    EXPECT_FALSE(items.contains(QChar())) << menu->text().toStdString();
    EXPECT_EQ(QSet<QChar>(items.begin(), items.end()).size(), items.size())
        << menu->text().toStdString();
  }
  EXPECT_EQ(menus, (QList<QChar>{'f', 's', 'v', 'h'}));
}

TEST_F(MainWindowKeyboardTest, TheViewMenuOpensTheMonitorAndTheLog) {
  trigger("Monitor1");
  EXPECT_TRUE(window->monitorWindow().isVisible());
  trigger("Log1");
  EXPECT_TRUE(window->logWindow().isVisible());
}

TEST_F(MainWindowKeyboardTest, TabLeavesTheBodyAndWalksTheWindowInReadingOrder) {
  const std::vector<std::string> order{"gamename",   "xyfilename", "Button2", "subject",
                                       "Memo1",      "mfile",      "xyfile",  "Button1",
                                       "contestors", "players"};
  gamename()->setFocus();
  std::vector<std::string> forward{focused()};
  for (size_t i = 1; i < order.size(); ++i) {
    press(Qt::Key_Tab);
    forward.push_back(focused());
  }
  EXPECT_EQ(forward, order);
  EXPECT_EQ(find<QPlainTextEdit>("Memo1")->toPlainText(), "") << "no tab typed into the body";

  std::vector<std::string> backward{focused()};
  for (size_t i = 1; i < order.size(); ++i) {
    press(Qt::SHIFT | Qt::Key_Backtab);
    backward.push_back(focused());
  }
  EXPECT_EQ(backward, std::vector<std::string>(order.rbegin(), order.rend()));
}

TEST_F(MainWindowKeyboardTest, TheTitleNamesTheGameAndMarksUnsavedChanges) {
  const std::string caption = std::string("Zelvaro V") + core::ProgramVersion;
  EXPECT_EQ(window->windowTitle().toStdString(), caption + "[*]");
  EXPECT_FALSE(window->isWindowModified());

  openThroughMenu(writeGame("orion"));
  EXPECT_EQ(window->windowTitle().toStdString(), "orion[*] - " + caption);
  EXPECT_FALSE(window->isWindowModified());
  find<QLineEdit>("subject")->setText("changed");
  EXPECT_TRUE(window->isWindowModified());
  trigger("Save1");
  EXPECT_FALSE(window->isWindowModified());

  gamename()->setEditText("A [*] B");
  EXPECT_EQ(window->windowTitle().toStdString(), "A [*][*] B[*] - " + caption)
      << "a name's own brackets stay text";
}

}  // namespace
}  // namespace zelvaro::test
