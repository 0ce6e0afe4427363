#include "core/contestor_entry.h"

#include <gtest/gtest.h>

namespace zelvaro::core {
namespace {

using Fields = std::vector<std::string>;

TEST(ContestorEntry, BlankStaysLiteralUntilEdited) {
  ContestorEntry blank = ContestorEntry::blank();
  EXPECT_EQ(blank.text(), ",0");
  EXPECT_EQ(blank.fields(), (Fields{"", "0"}));
  EXPECT_FALSE(blank.sending());
  EXPECT_EQ(blank.toggled().text(), R"("","1")");
  EXPECT_EQ(blank.toggled().toggled().text(), R"("","0")");
}

TEST(ContestorEntry, FieldsAndFlags) {
  ContestorEntry ann = ContestorEntry::assigned("Ann Lee", "a@x;b@x");
  EXPECT_EQ(ann.text(), R"("Ann Lee","1","a@x;b@x")");
  EXPECT_EQ(ann.name(), "Ann Lee");
  EXPECT_TRUE(ann.sending());
  EXPECT_EQ(ann.addresses(), "a@x;b@x");
  EXPECT_FALSE(ann.hasExtraFiles());
  EXPECT_FALSE(ContestorEntry(R"("Bob","yes","b@x")").sending());
  EXPECT_EQ(ContestorEntry(R"("Bob","x")").withSending(true).text(), R"("Bob","1")");
  EXPECT_EQ(ContestorEntry(R"("Bob")").withSending(false).text(), R"("Bob","0")");
}

TEST(ContestorEntry, ExtraFilesComeAfterThreePaddedFields) {
  ContestorEntry entry = ContestorEntry::blank().withExtraFiles({"/g/a.txt", "/g/b.txt"});
  EXPECT_EQ(entry.text(), R"("","0","","/g/a.txt","/g/b.txt")");
  EXPECT_TRUE(entry.hasExtraFiles());
  EXPECT_EQ(entry.extraFiles(), (Fields{"/g/a.txt", "/g/b.txt"}));
  EXPECT_EQ(entry.withExtraFiles({}).text(), R"("","0","")");
  EXPECT_EQ(entry.toggled().extraFiles(), entry.extraFiles());
}

TEST(RosterGrid, RowsShowFlagNumberNameAndBold) {
  Roster roster{ContestorEntry::assigned("Ann", "a@x"), ContestorEntry::blank(),
                ContestorEntry::assigned("Bob", "b@x").withExtraFiles({"/x"})};
  EXPECT_EQ(rosterRows(roster),
            (std::vector<RosterRow>{
                {"Yes", "1", "Ann", false}, {"No", "2", "", false}, {"Yes", "3", "Bob", true}}));
  EXPECT_EQ(rosterRows({}), std::vector<RosterRow>{RosterRow{}});
}

}  // namespace
}  // namespace zelvaro::core
