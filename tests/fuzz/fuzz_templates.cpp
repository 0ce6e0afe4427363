// Templates and address lists as the host typed them: the first line is the template, the rest
// the player's e-mail field.

#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "net/mail_address.h"
#include "send/templates.h"

using namespace zelvaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const size_t split = text.find('\n');
  const std::string line = text.substr(0, split);
  const std::string addresses = split == std::string::npos ? "" : text.substr(split + 1);

  const send::TemplateValues values{2426, "Nebula %G Cup", send::playerNumberText(16)};
  const std::string filled = send::FillTemplate(line, values);
  if (line.find('%') == std::string::npos && filled != line) std::abort();

  const std::string normalized = send::NormalizeAddressList(addresses);
  // Blanks and semicolons may stand only inside a quoted local part ("first last"@example.org).
  for (size_t at = 0; at < normalized.size(); ++at) {
    if (const std::optional<size_t> end = net::quotedLocalPartEnd(normalized, at)) {
      at = *end - 1;
    } else if (normalized[at] == ' ' || normalized[at] == ';') {
      std::abort();
    }
  }
  for (const std::string& recipient : send::recipientsOf(normalized)) {
    if (recipient.size() > normalized.size()) std::abort();
  }
  return 0;
}
