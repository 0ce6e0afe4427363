#pragma once

#include <stdexcept>
#include <string>

namespace zelvaro::core {

// A file that exists (or must be created) but cannot be read or written. A missing file is
// not an error: the operations say what they do then. The message names the path and the
// system's error text, ready for a message box.
class EInOutError : public std::runtime_error {
 public:
  EInOutError(const std::string& action, const std::string& path, int errorNumber);
  const std::string& path() const { return path_; }
  int errorNumber() const { return errorNumber_; }

 private:
  std::string path_;
  int errorNumber_;
};

// A text that should be a decimal integer and is not. The message names the text.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& text);
};

// Decimal text to a signed 32-bit integer: leading blanks, an optional sign, digits, nothing
// after them. Anything else, or a number out of range, throws EConvertError.
int toInteger(const std::string& text);

}  // namespace zelvaro::core
