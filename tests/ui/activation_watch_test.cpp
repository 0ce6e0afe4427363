#include "ui/activation_watch.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QMainWindow>
#include <QMessageBox>

#include "support/wait.h"

namespace zelvaro::ui {
namespace {

// Makes the window the active one, as the window system does when it is clicked.
void activate(QWidget& window) {
  window.show();
  window.activateWindow();
  ASSERT_TRUE(test::waitUntil([&] { return window.isActiveWindow(); }))
      << window.metaObject()->className() << " never became active";
}

class ActivationWatchTest : public testing::Test {
 protected:
  void SetUp() override { activate(main); }

  QMainWindow main;
  ActivationWatch watch{&main};
};

TEST_F(ActivationWatchTest, ComingBackFromADialogOfTheProgramCountsOnce) {
  QDialog dialog(&main);
  activate(dialog);
  dialog.hide();
  activate(main);
  EXPECT_TRUE(watch.countsAsActivation());
  EXPECT_FALSE(watch.countsAsActivation()) << "the dialog is forgotten once asked";
}

TEST_F(ActivationWatchTest, AMessageBoxClosingIsNoActivation) {
  QMessageBox box(QMessageBox::Information, "Zelvaro", "text", QMessageBox::Ok, &main);
  activate(box);
  box.hide();
  activate(main);
  EXPECT_FALSE(watch.countsAsActivation());
}

TEST_F(ActivationWatchTest, ADialogThatIsGoneStillCounts) {
  {
    QDialog dialog(&main);
    activate(dialog);
  }
  activate(main);
  EXPECT_TRUE(watch.countsAsActivation());
}

}  // namespace
}  // namespace zelvaro::ui
