#include "ui/extra_files_dialog.h"

#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "dialog_test.h"
#include "support/temp_dir.h"

namespace zelvaro::ui {
namespace {

using test::click;
using test::recorded;

class ExtraFilesDialogTest : public test::DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    test::writeFile(dir.file("notes.txt"), "news");
    test::writeFile(dir.file("map.gif"), "GIF89a");
    dialog.setCaption("Extra files sent to Ann:");
    dialog.show();
  }

  // Presses Add file and picks `path` in the file dialog.
  void add(const std::string& path) {
    recorded().answerNextFile(path);
    click(dialog, "Button2");
  }
  void selectRow(int row) {
    QListWidget* list = test::control<QListWidget>(dialog, "list");
    const QRect item = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
  }
  bool removeEnabled() { return test::control<QPushButton>(dialog, "Button3")->isEnabled(); }

  test::TempDir dir;
  ExtraFilesDialog dialog;
};

TEST_F(ExtraFilesDialogTest, CarriesItsNamesCaptionsAndHint) {
  test::expectTexts(dialog, "Form9", "Extra files sent to Ann:",
                    {{"Button2", "Add file"},
                     {"Button3", "Remove file"},
                     {"Button4", "Format C:"},
                     {"Button1", "See ya"}});
  EXPECT_EQ(test::hint(dialog, "Button4"), "I mean.. clear list.");
  EXPECT_NE(test::control<QListWidget>(dialog, "list"), nullptr);
  EXPECT_FALSE(removeEnabled());
  test::expectFixedDialog(dialog);
}

TEST_F(ExtraFilesDialogTest, AddsExistingFilesInOrderDuplicatesIncluded) {
  add(dir.file("notes.txt"));
  add(dir.file("map.gif"));
  add(dir.file("notes.txt"));
  EXPECT_EQ(dialog.files(), (std::vector<std::string>{dir.file("notes.txt"), dir.file("map.gif"),
                                                      dir.file("notes.txt")}));
  ASSERT_EQ(recorded().dialogs.size(), 3u);
  EXPECT_EQ(recorded().dialogs[0].filter, "") << "any file may be sent";
  EXPECT_EQ(recorded().dialogs[1].directory, dir.path()) << "starts beside the last file";
}

TEST_F(ExtraFilesDialogTest, AMissingFileOrACancelledDialogAddsNothingAndSaysNothing) {
  add(dir.file("gone.txt"));
  add(dir.path());  // a folder is no file to send
  recorded().answerNextFile(std::nullopt);
  click(dialog, "Button2");
  EXPECT_TRUE(dialog.files().empty());
  EXPECT_TRUE(recorded().texts().empty());
}

TEST_F(ExtraFilesDialogTest, RemoveFileIsEnabledOnlyWhileAPathIsSelected) {
  dialog.setFiles({"/a/one", "/a/two", "/a/one"});
  EXPECT_FALSE(removeEnabled());
  selectRow(2);
  EXPECT_TRUE(removeEnabled());
  click(dialog, "Button3");
  EXPECT_EQ(dialog.files(), (std::vector<std::string>{"/a/one", "/a/two"}));
  EXPECT_FALSE(removeEnabled());

  selectRow(0);
  click(dialog, "Button4");
  EXPECT_TRUE(dialog.files().empty());
  EXPECT_FALSE(removeEnabled());

  // Filling the list for the next player starts without a selection.
  dialog.setFiles({"/b/x"});
  selectRow(0);
  dialog.setFiles({"/c/y"});
  EXPECT_FALSE(removeEnabled());
}

TEST_F(ExtraFilesDialogTest, SeeYaClosesAndTheOpenerTakesTheListAsItStands) {
  dialog.hide();
  QTimer::singleShot(0, &dialog, [&] {
    EXPECT_EQ(dialog.windowTitle(), "Extra files sent to Bob:");
    add(dir.file("map.gif"));
    click(dialog, "Button1");
  });
  EXPECT_EQ(dialog.edit("Extra files sent to Bob:", {"/a/one"}),
            (std::vector<std::string>{"/a/one", dir.file("map.gif")}));
  EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
}  // namespace zelvaro::ui
