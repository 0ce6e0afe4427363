#include "send/wire_lines.h"

namespace zelvaro::send {

namespace {

std::string unstuffed(const std::string& line) {
  return line.compare(0, 1, ".") == 0 ? line.substr(1) : line;
}

}  // namespace

void WireLines::add(const std::string& block) {
  // What is left of the last block first: a block may end between CR and LF.
  partial_ += block;
  size_t begin = 0;
  for (size_t end; (end = partial_.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
    lines_.push_back(unstuffed(partial_.substr(begin, end - begin)));
  }
  partial_.erase(0, begin);
}

std::vector<std::string> WireLines::take() {
  if (!partial_.empty()) lines_.push_back(unstuffed(partial_));
  partial_.clear();
  std::vector<std::string> lines = std::move(lines_);
  lines_.clear();
  return lines;
}

}  // namespace zelvaro::send
