#include "core/errors.h"

#include <charconv>
#include <cstring>

namespace zelvaro::core {

EInOutError::EInOutError(const std::string& action, const std::string& path, int errorNumber)
    : std::runtime_error(action + " " + path + ": " + std::strerror(errorNumber)),
      path_(path),
      errorNumber_(errorNumber) {}

EConvertError::EConvertError(const std::string& text)
    : std::runtime_error("'" + text + "' is not a valid integer value") {}

int toInteger(const std::string& text) {
  size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos) throw EConvertError(text);
  const char* first = text.data() + start;
  const char* last = text.data() + text.size();
  const char* digits = (*first == '+' || *first == '-') ? first + 1 : first;
  if (digits == last || *digits < '0' || *digits > '9') throw EConvertError(text);
  if (*first == '+') ++first;  // from_chars takes "-" but not "+"
  int value = 0;
  auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last) throw EConvertError(text);
  return value;
}

}  // namespace zelvaro::core
