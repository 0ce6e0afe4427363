#include "ui/alias_dialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include "dialog_test.h"

namespace zelvaro::ui {
namespace {

using test::text;

class AliasDialogTest : public test::DialogTest {
 protected:
  // Runs the dialog as Game-specific options does: filled, modal, one button pressed.
  std::optional<std::string> run(const std::string& alias, const std::string& typed,
                                 const char* button) {
    QTimer::singleShot(0, &dialog, [&] {
      EXPECT_EQ(text(dialog, "Edit1"), alias);
      test::control<QLineEdit>(dialog, "Edit1")->setText(QString::fromStdString(typed));
      test::click(dialog, button);
    });
    return dialog.ask(alias);
  }

  AliasDialog dialog;
};

TEST_F(AliasDialogTest, CarriesItsNamesAndCaptions) {
  test::expectTexts(dialog, "Form7", "Gamespecific options",
                    {{"Label1", "Alias"}, {"Button1", "Yep"}, {"Button2", "Nope"}});
  test::expectFixedDialog(dialog);
}

TEST_F(AliasDialogTest, YepConfirmsTheTextEvenWhenEmptyAndNopeRejects) {
  EXPECT_EQ(run("Old Alias", "The Host", "Button1"), "The Host");
  EXPECT_TRUE(dialog.confirmed());
  EXPECT_EQ(run("The Host", "", "Button1"), "");
  EXPECT_EQ(run("Kept", "Typed", "Button2"), std::nullopt);
  EXPECT_FALSE(dialog.confirmed());
  EXPECT_TRUE(test::recorded().texts().empty());
}

TEST_F(AliasDialogTest, TheScheduleTabRefusesWhatItCannotReadAndKeepsWhatItDoesNotShow) {
  core::GameRules rules;
  rules.graceMinutes = 0.5;  // from the file: kept while the box is not touched
  dialog.setRules(rules);
  QTimer::singleShot(0, &dialog, [&] {
    test::control<QLineEdit>(dialog, "DeadlineEdit")->setText("tomorrow");
    test::click(dialog, "Button1");
    EXPECT_TRUE(dialog.isVisible()) << "not closed with a value it cannot read";
    test::control<QLineEdit>(dialog, "DeadlineEdit")->setText("weekly FRI 20:00");
    test::control<QLineEdit>(dialog, "GenerateEdit")->setText("  wine stars.exe -g %H ");
    test::control<QComboBox>(dialog, "WhenCombo")->setCurrentIndex(2);
    test::click(dialog, "Button1");
  });
  ASSERT_TRUE(dialog.ask("Host"));
  ASSERT_EQ(test::recorded().texts().size(), 1u);
  EXPECT_NE(test::recorded().texts()[0].find("The deadline \"tomorrow\" is not understood"),
            std::string::npos);
  EXPECT_EQ(core::deadlineText(dialog.rules().deadline), "weekly fri 20:00");
  EXPECT_EQ(dialog.rules().generateCommand, "wine stars.exe -g %H");
  EXPECT_EQ(dialog.rules().generateWhen, core::GenerateWhen::Deadline);
  EXPECT_EQ(dialog.rules().graceMinutes, 0.5);
  EXPECT_EQ(dialog.rules().reminderBody, rules.reminderBody);
}

}  // namespace
}  // namespace zelvaro::ui
