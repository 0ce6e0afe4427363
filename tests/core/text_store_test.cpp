#include "core/text_store.h"

#include <filesystem>

#include "core_test.h"

namespace zelvaro::core {
namespace {

using Lines = std::vector<std::string>;
using KeyedStore = CoreTest;
using LineStore = CoreTest;

TEST_F(KeyedStore, LastCaseInsensitiveMatchWins) {
  std::string path = file("cfg", {"Server,a", "other,z", "server,b"});
  EXPECT_EQ(ReadKey(path, "server"), "b");
  EXPECT_EQ(storeState().LastMatchIndex, 2);
  EXPECT_EQ(ReadKey(path, "SERVER"), "b");
  EXPECT_EQ(findKey(path, "OTHER"), 1);
  EXPECT_EQ(storeState().LastMatchIndex, 1);
  EXPECT_TRUE(shown().empty());
}

TEST_F(KeyedStore, SeparatorMustFollowTheKey) {
  std::string path = file("cfg", {"grid1.1,120", "empty,", "value,has,commas", "short"});
  EXPECT_EQ(ReadKey(path, "grid1"), NotFound);
  EXPECT_EQ(ReadKey(path, "empty"), "");
  EXPECT_EQ(ReadKey(path, "value"), "has,commas");
  EXPECT_EQ(ReadKey(path, "short"), NotFound);  // the line must be longer than the key
  storeState().KeySeparator = '=';
  EXPECT_EQ(ReadKey(file("ini", {"WinDir=/w"}), "windir"), "/w");
}

TEST_F(KeyedStore, NoMatchKeepsLastMatchIndex) {
  std::string path = file("cfg", {"a,1", "b,2"});
  ReadKey(path, "b");
  EXPECT_EQ(ReadKey(path, "zzz"), NotFound);
  EXPECT_EQ(findKey(path, "zzz"), std::nullopt);
  EXPECT_EQ(storeState().LastMatchIndex, 1);
}

TEST_F(KeyedStore, MissingFileIsToldOnReadAndNeverCreated) {
  std::string path = dir.file("gone.cfg");
  EXPECT_EQ(ReadKey(path, "server"), NotFound);
  EXPECT_EQ(shown(), Lines{"File not found:" + path});
  EXPECT_FALSE(WriteKey(path, "server", "x"));
  DeleteKey(path, "server");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(shown().size(), 1u);
}

TEST_F(KeyedStore, WriteReplacesEveryMatchKeepingTheFileSpelling) {
  std::string path = file("cfg", {"server,a", "email,e", "Server,b"});
  EXPECT_TRUE(WriteKey(path, "SERVER", "x"));
  EXPECT_EQ(lines(path), (Lines{"server,x", "email,e", "Server,x"}));
  EXPECT_FALSE(WriteKey(path, "NewKey", "v,w"));
  EXPECT_EQ(lines(path), (Lines{"server,x", "email,e", "Server,x", "NewKey,v,w"}));
  EXPECT_EQ(test::readFile(path), "server,x\r\nemail,e\r\nServer,x\r\nNewKey,v,w\r\n");
}

TEST_F(KeyedStore, DeleteRemovesOnlyTheLastMatch) {
  std::string path = file("cfg", {"server,a", "email,e", "SERVER,b", "tail,t"});
  DeleteKey(path, "server");
  EXPECT_EQ(lines(path), (Lines{"server,a", "email,e", "tail,t"}));
  DeleteKey(path, "nothing");
  EXPECT_EQ(lines(path), (Lines{"server,a", "email,e", "tail,t"}));
}

TEST_F(LineStore, SequentialReadingFollowsTheCursor) {
  std::string path = file("f", {"l0", "l1"});
  EXPECT_EQ(ReadFirstLine(path), "l0");
  EXPECT_EQ(ReadNextLine(path), "l1");
  EXPECT_EQ(ReadNextLine(path), NotFound);
  EXPECT_EQ(storeState().LineCursor, 2);
  storeState().LineCursor = 0;
  EXPECT_EQ(ReadNextLine(path), "l0");
  EXPECT_EQ(ReadFirstLine(dir.file("none")), NotFound);
  EXPECT_EQ(storeState().LineCursor, 0);
}

TEST_F(LineStore, ReadLineAtOutOfRange) {
  std::string path = file("f", {"l0", "l1", "l2"});
  std::string line = "caller's";
  ReadLineAt(path, -1, line);
  EXPECT_EQ(line, "caller's");
  ReadLineAt(path, 2, line);
  EXPECT_EQ(line, "l2");
  EXPECT_EQ(storeState().LineCursor, 3);
  ReadLineAt(path, 3, line);
  EXPECT_EQ(line, NotFound);
  ReadLineAt(dir.file("none"), 0, line);
  EXPECT_EQ(line, NotFound);
}

TEST_F(LineStore, WriteLineAtReplacesOneLineOrNothing) {
  std::string path = file("f", {"l0", "l1", "l2"});
  EXPECT_TRUE(WriteLineAt(path, 1, "new"));
  EXPECT_EQ(lines(path), (Lines{"l0", "new", "l2"}));
  EXPECT_FALSE(WriteLineAt(path, 3, "past"));
  EXPECT_FALSE(WriteLineAt(path, -1, "before"));
  EXPECT_EQ(lines(path), (Lines{"l0", "new", "l2"}));
  EXPECT_FALSE(WriteLineAt(dir.file("none"), 0, "x"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("none")));
}

TEST_F(LineStore, CountLines) {
  EXPECT_EQ(CountLines(dir.file("none")), -1);
  EXPECT_EQ(CountLines(file("empty", {})), 0);
  test::writeFile(dir.file("lf"), "a\nb\n\nc");
  EXPECT_EQ(CountLines(dir.file("lf")), 4);
}

TEST(TextFilters, NumberFilterKeepsDigitsCommasAndMinus) {
  EXPECT_EQ(NumberFilter("//"), "0");
  EXPECT_EQ(NumberFilter("1 2px"), "12");
  EXPECT_EQ(NumberFilter(",5"), "0,5");
  EXPECT_EQ(NumberFilter("-40"), "-40");
  EXPECT_EQ(NumberFilter("x7"), "7");
  EXPECT_EQ(NumberFilter("3,5"), "3,5");
  EXPECT_EQ(NumberFilter(""), "0");
  EXPECT_EQ(RemoveSpaces(" a b\tc "), "ab\tc");
}

TEST(TextFilters, IntegerConversion) {
  EXPECT_EQ(toInteger("42"), 42);
  EXPECT_EQ(toInteger("-40"), -40);
  EXPECT_EQ(toInteger("  +7"), 7);
  EXPECT_EQ(toInteger("2147483647"), 2147483647);
  for (const char* bad : {"3,5", "1-2", "-", "", "//", "12 ", "+-5", "2147483648", "0x10"}) {
    EXPECT_THROW(toInteger(bad), EConvertError) << bad;
  }
  try {
    toInteger("3,5");
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'3,5' is not a valid integer value");
  }
}

}  // namespace
}  // namespace zelvaro::core
