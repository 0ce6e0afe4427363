#include "ui/player_details_dialog.h"

#include <QLineEdit>
#include <QTimer>

#include "dialog_test.h"

namespace zelvaro::ui {
namespace {

using test::click;
using test::control;
using test::hint;

class PlayerDetailsDialogTest : public test::DialogTest {
 protected:
  // Types into the fields and presses OK; true when the dialog closed.
  bool submit(const core::PlayerRow& typed) {
    dialog.show();
    dialog.setDetails(typed);
    click(dialog, "Button1");
    return !dialog.isVisible();
  }

  PlayerDetailsDialog dialog;
};

TEST_F(PlayerDetailsDialogTest, CarriesItsNamesCaptionsAndHints) {
  test::expectTexts(dialog, "Form2", "Player details",
                    {{"Label1", "Name"},
                     {"Label2", "Email"},
                     {"Label3", "Notes"},
                     {"Button1", "OK"},
                     {"Button2", "Cancel"}});
  EXPECT_EQ(hint(dialog, "Edit1"), "The name is unique for each player");
  EXPECT_EQ(hint(dialog, "Edit2"), "Multible emails are seperated with a ;");
  test::expectFixedDialog(dialog);
}

TEST_F(PlayerDetailsDialogTest, AMissingNameOrAddressIsReportedBeforeAMissingAt) {
  EXPECT_FALSE(submit({"Ann", "", "a note"}));
  EXPECT_EQ(shown(), std::vector<std::string>{"Houston, we have a problem!"});
  EXPECT_EQ(dialog.details(), (core::PlayerRow{"Ann", "", "a note"})) << "fields stay as typed";

  test::recorded().clear();
  EXPECT_FALSE(submit({"", "ann@example.org", ""}));
  EXPECT_EQ(shown(), std::vector<std::string>{"Houston, we have a problem!"});

  test::recorded().clear();
  EXPECT_FALSE(submit({"Ann", "ann.example.org", ""}));
  EXPECT_EQ(shown(), std::vector<std::string>{"Email without @ is BAD!"});
  EXPECT_FALSE(dialog.accepted());
}

TEST_F(PlayerDetailsDialogTest, OneAtAnywhereInTheListIsEnough) {
  EXPECT_TRUE(submit({"Ann", "ann.example.org;ann@example.org", "x"}));
  EXPECT_TRUE(shown().empty()) << shown().front();
  EXPECT_TRUE(dialog.accepted());
  EXPECT_EQ(dialog.details(), (core::PlayerRow{"Ann", "ann.example.org;ann@example.org", "x"}));
}

TEST_F(PlayerDetailsDialogTest, AnAddressNoServerCouldTakeIsRefused) {
  EXPECT_FALSE(submit({"Ann", "ann@example.org; a@example.org><b@evil.example", ""}));
  EXPECT_EQ(shown(), std::vector<std::string>{
                         "The address a@example.org><b@evil.example cannot be mailed to: \">\" "
                         "may not appear outside quotes. Please correct it; several addresses "
                         "are separated by \";\"."});
  test::recorded().clear();
  EXPECT_TRUE(submit({"Ann", "\"ann.b\"@example.org; spieler@münchen.example", ""}));
  EXPECT_TRUE(shown().empty());
}

TEST_F(PlayerDetailsDialogTest, CancelRejectsAndKeepsWhatWasTyped) {
  dialog.show();
  dialog.setDetails({"Bob", "", ""});
  click(dialog, "Button2");
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(dialog.accepted());
  EXPECT_TRUE(shown().empty());
  EXPECT_EQ(dialog.details().name, "Bob");
}

TEST_F(PlayerDetailsDialogTest, RunsModallyAgainAndAgainWithTheFocusOnTheName) {
  auto* edit1 = control<QLineEdit>(dialog, "Edit1");
  auto* edit3 = control<QLineEdit>(dialog, "Edit3");
  ASSERT_TRUE(edit1 && edit3);

  // A first run that ends rejected.
  QTimer::singleShot(0, &dialog, [&] { click(dialog, "Button2"); });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);

  edit3->setFocus();  // where the focus would go without activation moving it
  std::string focused;
  std::string selected;
  QTimer::singleShot(0, &dialog, [&] {
    focused =
        dialog.focusWidget() != nullptr ? dialog.focusWidget()->objectName().toStdString() : "";
    selected = edit1->selectedText().toStdString();
    click(dialog, "Button1");
  });
  EXPECT_TRUE(dialog.run({"Carl", "carl@example.org", ""}));
  EXPECT_EQ(focused, "Edit1");
  EXPECT_TRUE(dialog.accepted());
  EXPECT_EQ(dialog.details(), (core::PlayerRow{"Carl", "carl@example.org", ""}));
  EXPECT_EQ(selected, "Carl") << "typing replaces the name";
}

}  // namespace
}  // namespace zelvaro::ui
