// Attachment files as base64 lines: every size decodes back to the exact bytes, in lines of 60
// characters with a shorter last one, and no empty line after the data.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "send/smtp_cli.h"
#include "support/temp_dir.h"

namespace zelvaro::send {
namespace {

class EncoderProbe : public TSmtpCli {
 public:
  std::vector<std::string> encode(const std::string& path) {
    AttachmentReader file;
    OpenAttachment(file, path);
    std::vector<std::string> lines;
    for (bool more = true; more;) {
      lines.emplace_back();
      EncodeAttachmentLine(file, lines.back(), more);
    }
    CloseAttachment(file);
    return lines;
  }
};

std::string decodeBase64(const std::string& text) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '=') break;
    const size_t value = alphabet.find(c);
    if (value == std::string::npos) {
      ADD_FAILURE() << "not base64: " << int(c);
      return bytes;
    }
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return bytes;
}

TEST(AttachmentEncoding, RandomFilesOfManySizesDecodeToTheirBytes) {
  test::TempDir dir;
  EncoderProbe probe;
  std::mt19937 random(20261207);
  std::vector<size_t> sizes;
  for (size_t size = 0; size <= 136; ++size) sizes.push_back(size);
  for (size_t size : {1000u, 4095u, 65535u, 65536u, 65537u, 65536u * 3 + 44u, 250001u}) {
    sizes.push_back(size);
  }
  for (size_t size : sizes) {
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
    const std::string path = dir.file("f" + std::to_string(size));
    test::writeFile(path, bytes);

    const std::vector<std::string> lines = probe.encode(path);
    const size_t expectedLines = size == 0 ? 1 : (size + 44) / 45;
    ASSERT_EQ(lines.size(), expectedLines) << "size " << size;
    std::string decoded;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i + 1 < lines.size()) {
        ASSERT_EQ(lines[i].size(), 60u) << "size " << size;
      }
      ASSERT_EQ(lines[i].size() % 4, 0u) << "size " << size;
      decoded += decodeBase64(lines[i]);
    }
    EXPECT_EQ(lines.back().empty(), size == 0) << "size " << size;
    ASSERT_EQ(decoded, bytes) << "size " << size;
  }
}

TEST(AttachmentEncoding, AMissingFileNamesItselfAndTheReason) {
  EncoderProbe probe;
  try {
    probe.encode("/nonexistent/abc.m3");
    ADD_FAILURE() << "no exception";
  } catch (const core::EInOutError& e) {
    EXPECT_STREQ(e.what(), "Cannot open attachment /nonexistent/abc.m3: No such file or directory");
  }
}

}  // namespace
}  // namespace zelvaro::send
