// The preview's reading of a message, fed with what the composer itself would send.

#include "send/message_view.h"

#include <gtest/gtest.h>

#include "send/message_hooks.h"
#include "send/smtp_cli.h"
#include "send/wire_lines.h"
#include "support/temp_dir.h"

namespace zelvaro::send {
namespace {

MessageView composed(const std::vector<std::string>& body, const std::vector<std::string>& files) {
  TSmtpCli client;
  client.HdrFrom = "\"Host\" <host@example.org>";
  client.HdrTo = "ann@example.org";
  client.HdrSubject = "Zug 2426 für Änne";
  client.OnGetData = [&body](net::TCustomSmtpClient&, int number, char* line, int maxLen,
                             bool& more) { serveBodyLine(body, number, line, maxLen, more); };
  for (const std::string& file : files) client.EmailFiles.push_back(file);
  WireLines lines;
  client.WriteMessage([&lines](const std::string& block) { lines.add(block); });
  return readMessageView(lines.take());
}

std::string headerValue(const MessageView& view, const std::string& name) {
  for (const auto& [key, value] : view.header) {
    if (key == name) return value;
  }
  return "<none>";
}

TEST(MessageView, TheComposersMessageReadsBackWithItsAttachmentsSizes) {
  test::TempDir dir;
  test::writeFile(dir.file("orion.m1"), std::string(1000, '\x07'));
  test::writeFile(dir.file("notes \"v2\".txt"), "x");
  const std::string dotted = "." + std::string(1100, 'z');  // quoted-printable, stuffed dot
  const MessageView view =
      composed({"Hello,", dotted, "", "bye"}, {dir.file("orion.m1"), dir.file("notes \"v2\".txt")});

  EXPECT_EQ(headerValue(view, "Subject"), "Zug 2426 für Änne");
  EXPECT_EQ(headerValue(view, "To"), "ann@example.org");
  EXPECT_EQ(view.text, (std::vector<std::string>{"Hello,", dotted, "", "bye"}));
  ASSERT_EQ(view.attachments.size(), 2u);
  EXPECT_EQ(view.attachments[0].name, "orion.m1");
  EXPECT_EQ(view.attachments[0].size, 1000u);
  EXPECT_EQ(view.attachments[1].name, "notes \"v2\".txt");
  EXPECT_EQ(view.attachments[1].size, 1u);

  const MessageView plain = composed({"only text"}, {});
  EXPECT_EQ(plain.text, std::vector<std::string>{"only text"});
  EXPECT_TRUE(plain.attachments.empty());
}

}  // namespace
}  // namespace zelvaro::send
