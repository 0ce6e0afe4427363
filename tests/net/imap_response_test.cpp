#include "net/imap_response.h"

#include <gtest/gtest.h>

#include "net/imap_limits.h"

namespace zelvaro::net {
namespace {

// What a Dovecot session sends, literals included.
const std::string kSession =
    "* OK [CAPABILITY IMAP4rev1 SASL-IR LITERAL+ IDLE AUTH=PLAIN] Dovecot ready.\r\n"
    "* 3 EXISTS\r\n"
    "* OK [UIDVALIDITY 1765200000] UIDs valid\r\n"
    "A3 OK [READ-WRITE] Select completed (0.001 + 0.000 secs).\r\n"
    "* 2 FETCH (UID 7 RFC822.SIZE 12 BODY[] {12}\r\nFrom: a\r\n\r\nx)\r\n"
    "* LIST (\\HasNoChildren) \".\" {8}\r\nZ\"e)l{1}\r\n"
    "+ idling\r\n";

std::vector<ImapResponse> readAll(ImapResponseReader& reader) {
  std::vector<ImapResponse> responses;
  while (std::optional<ImapResponse> response = reader.next()) responses.push_back(*response);
  return responses;
}

TEST(ImapResponses, SplitAnywhereReadsTheSame) {
  ImapResponseReader whole;
  whole.feed(kSession);
  const std::vector<ImapResponse> expected = readAll(whole);
  ASSERT_EQ(expected.size(), 7u);
  for (size_t step : {1u, 2u, 5u, 13u}) {
    ImapResponseReader pieces;
    std::vector<ImapResponse> got;
    for (size_t at = 0; at < kSession.size(); at += step) {
      pieces.feed(std::string_view(kSession).substr(at, step));
      for (ImapResponse& response : readAll(pieces)) got.push_back(std::move(response));
    }
    ASSERT_EQ(got.size(), expected.size()) << step;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].line, expected[i].line) << step;
      EXPECT_EQ(got[i].literals, expected[i].literals) << step;
    }
    EXPECT_EQ(pieces.pendingBytes(), 0u);
  }

  EXPECT_EQ(expected[0].code, "CAPABILITY IMAP4rev1 SASL-IR LITERAL+ IDLE AUTH=PLAIN");
  EXPECT_EQ(expected[0].text, "Dovecot ready.");
  EXPECT_EQ(expected[1].number, 3u);
  EXPECT_EQ(expected[1].keyword, "EXISTS");
  EXPECT_EQ(expected[3].kind, ImapResponseKind::Tagged);
  EXPECT_EQ(expected[3].tag, "A3");
  EXPECT_EQ(expected[3].code, "READ-WRITE");
  EXPECT_EQ(expected[4].line, "* 2 FETCH (UID 7 RFC822.SIZE 12 BODY[] {12})");
  EXPECT_EQ(expected[4].literals, std::vector<std::string>{"From: a\r\n\r\nx"});
  EXPECT_EQ(expected[6].kind, ImapResponseKind::Continuation);
  EXPECT_EQ(expected[6].text, "idling");
}

TEST(ImapResponses, ItemsOfFetchAndList) {
  ImapResponseReader reader;
  reader.feed(kSession);
  const std::vector<ImapResponse> all = readAll(reader);
  const auto fetch = parseImapItems(all[4].text, all[4].literals);
  ASSERT_TRUE(fetch && fetch->size() == 1);
  const std::vector<ImapItem>& pairs = fetch->front().items;
  ASSERT_EQ(pairs.size(), 6u);
  EXPECT_EQ(pairs[4].text, "BODY[]");
  EXPECT_EQ(pairs[5].type, ImapItem::Type::String);
  EXPECT_EQ(pairs[5].text, "From: a\r\n\r\nx");

  const auto list = parseImapItems(all[5].text, all[5].literals);
  ASSERT_TRUE(list && list->size() == 3);
  EXPECT_EQ((*list)[0].items.at(0).text, "\\HasNoChildren");
  EXPECT_EQ((*list)[1].text, ".");
  EXPECT_EQ((*list)[2].text, "Z\"e)l{1}");

  const auto nested = parseImapItems(R"((UID 9 BODY[HEADER.FIELDS (FROM)] "a \"q\" \\") NIL)", {});
  ASSERT_TRUE(nested && nested->size() == 2);
  EXPECT_EQ(nested->front().items.at(2).text, "BODY[HEADER.FIELDS (FROM)]");
  EXPECT_EQ(nested->front().items.at(3).text, "a \"q\" \\");
  EXPECT_EQ((*nested)[1].text, "NIL");

  for (const char* broken : {"(UID 9", "\"open", "{3}", "BODY[HEADER", "(a))"}) {
    EXPECT_FALSE(parseImapItems(broken, {})) << broken;
  }
}

TEST(ImapResponses, WhatNoServerSendsEndsTheStream) {
  const std::string endless(imap_limits::kResponseTextMax + 10, 'x');
  const std::vector<std::pair<std::string, std::string>> cases{
      {"* 1 FETCH (BODY[] {99999999999}\r\n", "Literal too large: {99999999999}"},
      {std::string("* OK a\0b\r\n", 11), "Response with a NUL byte outside a literal"},
      {"\r\n", "Not an IMAP response: \"\""},
      {"A1\r\n", "Not an IMAP response: \"A1\""},
      {"* " + endless, "Response too long"},
  };
  for (const auto& [bytes, why] : cases) {
    ImapResponseReader reader;
    reader.feed("* OK hello\r\n");
    reader.feed(bytes);
    reader.feed("A1 OK after\r\n");
    EXPECT_EQ(reader.failure(), why);
    EXPECT_EQ(reader.next()->text, "hello");
    EXPECT_FALSE(reader.next());
  }
}

}  // namespace
}  // namespace zelvaro::net
