#include "send/templates.h"

#include <gtest/gtest.h>

namespace zelvaro::send {
namespace {

using Items = std::vector<std::string>;

const TemplateValues orion{2405, "abc", "4"};

TEST(FillTemplate, ReplacesYearGameAndPlayer) {
  EXPECT_EQ(FillTemplate("Turn %Y of %G for player %P", orion), "Turn 2405 of abc for player 4");
  EXPECT_EQ(FillTemplate("%y%g%p", orion), FillTemplate("%Y%G%P", orion));
  EXPECT_EQ(FillTemplate("%Y-%Y", orion), "2405-2405");
  EXPECT_EQ(FillTemplate("", orion), "");
}

TEST(FillTemplate, LettersAfterOnePercentOnlyInOrderYGP) {
  EXPECT_EQ(FillTemplate("%YGP", orion), "2405abc4");
  EXPECT_EQ(FillTemplate("%YP %GP %YG", orion), "24054 abc4 2405abc");
  EXPECT_EQ(FillTemplate("%GY", orion), "abcY");
  EXPECT_EQ(FillTemplate("%PG", orion), "4G");
  EXPECT_EQ(FillTemplate("%Ygame", orion), "2405abcame");
}

TEST(FillTemplate, OtherPercentsStay) {
  EXPECT_EQ(FillTemplate("100%", orion), "100%");
  EXPECT_EQ(FillTemplate("50% off", orion), "50% off");
  EXPECT_EQ(FillTemplate("%X", orion), "%X");
  EXPECT_EQ(FillTemplate("%%Y", orion), "%2405");
}

TEST(FillTemplate, PlayerNumberIsAtMostTwelveCharacters) {
  EXPECT_EQ(playerNumberText(16), "16");
  TemplateValues values{2400, "g", "1234567890123456"};
  EXPECT_EQ(FillTemplate("%P", values), "123456789012");
}

TEST(AddressList, NormalisedAndSplitIntoRecipients) {
  std::string two = NormalizeAddressList("a@x.org; b@y.org");
  EXPECT_EQ(two, "a@x.org,b@y.org");
  EXPECT_EQ(recipientsOf(two), (Items{"a@x.org", "b@y.org"}));

  std::string trailing = NormalizeAddressList("  a@x.org ;b@y.org ; ");
  EXPECT_EQ(trailing, "a@x.org,b@y.org,");
  EXPECT_EQ(recipientsOf(trailing), (Items{"a@x.org", "b@y.org"}));

  std::string doubled = NormalizeAddressList("a@x.org;;b@y.org");
  EXPECT_EQ(doubled, "a@x.org,,b@y.org");
  EXPECT_EQ(recipientsOf(doubled), (Items{"a@x.org", "", "b@y.org"}));

  EXPECT_EQ(NormalizeAddressList("a@x\tb"), "a@x\tb");  // only spaces go
  EXPECT_EQ(recipientsOf(NormalizeAddressList("   ")), Items{});
}

TEST(AddressList, QuotedLocalPartsStayWholeAndForbiddenAddressesAreNamed) {
  const std::string list =
      NormalizeAddressList("\"first last\"@example.org; \"a;b\"@example.org ;\"c@d.org\"");
  EXPECT_EQ(list, "\"first last\"@example.org,\"a;b\"@example.org,\"c@d.org\"");
  // A quoted item without "@" after it is the list's own quoting, as it always was.
  EXPECT_EQ(recipientsOf(list),
            (Items{"\"first last\"@example.org", "\"a;b\"@example.org", "c@d.org"}));
  EXPECT_FALSE(firstUnmailableAddress(list));
  EXPECT_FALSE(firstUnmailableAddress("a@x.org,,spieler@münchen.example"));

  const std::pair<std::string, std::string> refused[] = {
      {"a@x.org,b@x.org><c@evil.example", "\">\" may not appear outside quotes"},
      {"<b@x.org>", "\"<\" may not appear outside quotes"},
      {"vega@x.org\rRCPTTO:<e@x.org>", "a blank or a control character may not appear in it"},
      {"orrinatexample.net", "it has no @"},
  };
  for (const auto& [given, fault] : refused) {
    const auto found = firstUnmailableAddress(given);
    ASSERT_TRUE(found) << given;
    EXPECT_EQ(found->fault, fault) << given;
  }
  EXPECT_EQ(firstUnmailableAddress("a@x.org,b@x.org><c@evil.example")->address,
            "b@x.org><c@evil.example");
}

}  // namespace
}  // namespace zelvaro::send
