#pragma once

// A message file as the host wants to look at it before it goes: the header, the text and the
// attachments' names and sizes, read from the lines a preview wrote.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zelvaro::send {

struct MessageView {
  struct Attachment {
    std::string name;
    std::uintmax_t size = 0;  // decoded bytes
  };
  // Unfolded, in order; encoded words decoded.
  std::vector<std::pair<std::string, std::string>> header;
  std::vector<std::string> text;  // the text part's lines, decoded
  std::vector<Attachment> attachments;
};

MessageView readMessageView(const std::vector<std::string>& lines);

}  // namespace zelvaro::send
