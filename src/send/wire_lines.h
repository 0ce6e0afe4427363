#pragma once

// A message as it goes on the wire (CR LF after every line, a "." doubled at the start of a
// line), back into the lines of the message itself: what a mail reader gets from the server.

#include <string>
#include <vector>

namespace zelvaro::send {

class WireLines {
 public:
  // The next bytes as sent; a block may end in the middle of a line.
  void add(const std::string& block);
  // Every line so far, a last one without its CR LF included.
  std::vector<std::string> take();

 private:
  std::string partial_;
  std::vector<std::string> lines_;
};

}  // namespace zelvaro::send
