// What an IMAP server says, read whole and read in pieces whose sizes the input's first byte
// picks. However the bytes are split, the same responses must come out, in the same order, with
// the same literals, and the same failure; and each response's items parse or are refused
// without harm.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "net/imap_limits.h"
#include "net/imap_response.h"

using namespace zelvaro::net;

namespace {

std::vector<ImapResponse> drain(ImapResponseReader& reader) {
  std::vector<ImapResponse> responses;
  while (std::optional<ImapResponse> response = reader.next()) {
    (void)parseImapItems(response->text, response->literals);
    responses.push_back(std::move(*response));
  }
  return responses;
}

void check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t step = data[0] % 16 + 1;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  ImapResponseReader whole;
  whole.feed(bytes);
  const std::vector<ImapResponse> expected = drain(whole);

  ImapResponseReader pieces;
  std::vector<ImapResponse> got;
  for (size_t at = 0; at < bytes.size(); at += step) {
    pieces.feed(bytes.substr(at, step));
    for (ImapResponse& response : drain(pieces)) got.push_back(std::move(response));
    check(pieces.pendingBytes() <= imap_limits::kResponseTextMax + 1);
  }
  check(got.size() == expected.size());
  for (size_t i = 0; i < got.size(); ++i) {
    check(got[i].line == expected[i].line && got[i].literals == expected[i].literals &&
          got[i].kind == expected[i].kind && got[i].tag == expected[i].tag &&
          got[i].keyword == expected[i].keyword && got[i].code == expected[i].code);
    check(got[i].line.find('\n') == std::string::npos);
  }
  check(pieces.failure() == whole.failure());
  return 0;
}
