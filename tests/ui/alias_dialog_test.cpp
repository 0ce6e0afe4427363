#include "ui/alias_dialog.h"

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

}  // namespace
}  // namespace zelvaro::ui
