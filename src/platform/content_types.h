#pragma once

#include <string>

namespace zelvaro::platform {

struct ContentType {
  std::string type;     // "text/plain", "image/png", ...; "application/octet-stream" if unknown
  std::string charset;  // a text's, where its bytes tell: "us-ascii" or "utf-8"; else empty
};

// What a file holds, judged by its name and its first bytes through the shared MIME database.
// Every kind of text is "text/plain", so that no reader shows an attachment as a page.
ContentType fileContentType(const std::string& path);

}  // namespace zelvaro::platform
