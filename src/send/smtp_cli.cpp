#include "send/smtp_cli.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>

#include "net/random_bits.h"
#include "net/smtp_limits.h"
#include "net/smtp_text.h"
#include "send/mime_text.h"

namespace zelvaro::send {

using net::smtp_limits::kBase64BytesPerLine;
using net::smtp_limits::kBodyLineGrowth;
using net::smtp_limits::kBodyLineLongest;
using net::smtp_limits::kBodyMaxLen;
using net::smtp_limits::kWireLineMax;

namespace {

// Copies as much of `text` as the buffer holds with its terminating zero.
void copyLine(const std::string& text, char* buffer, int size) {
  if (size <= 0) return;
  const size_t length = std::min(text.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

// The base64 lines of `bytes` with their CR LFs: 45 bytes a line of 60 characters, and one
// empty line for an empty file.
std::uint64_t base64WireOctets(std::uint64_t bytes) {
  const std::uint64_t perLine = kBase64BytesPerLine;
  if (bytes == 0) return 2;
  const std::uint64_t rest = bytes % perLine;
  return bytes / perLine * (perLine / 3 * 4 + 2) + (rest == 0 ? 0 : (rest + 2) / 3 * 4 + 2);
}

}  // namespace

EmailFileList& EmailFileList::operator=(const std::vector<std::string>& lines) {
  std::vector<std::string> paths;
  for (const std::string& line : lines) {
    std::string path = net::trimmed(line);
    if (path.empty()) continue;
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) {
      throw net::SmtpException("File not found '" + path + "'");
    }
    paths.push_back(std::move(path));
  }
  paths_ = std::move(paths);
  return *this;
}

TSmtpCli::TSmtpCli() {
  CharSet = "utf-8";
}

TSmtpCli::~TSmtpCli() = default;

void TSmtpCli::MailFrom() {
  MailParameters = TextTransferEncoding() == "8bit" ? "BODY=8BITMIME" : "";
  TCustomSmtpClient::MailFrom();
}

void TSmtpCli::BeginMessage() {
  const std::string encoding = TextTransferEncoding();
  QuotedPrintableText = encoding == "quoted-printable";
  PlainTextEncoding = encoding;
  if (EmailFiles.empty()) {
    MimeBoundary.clear();
  } else {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    MimeBoundary = mimeBoundary(local, net::systemRandom64());
  }
  // Judged once per message: measuring it and sending it read the same header.
  AttachmentTypes.clear();
  for (const std::string& path : EmailFiles) AttachmentTypes.push_back(attachmentContentType(path));
  TCustomSmtpClient::BeginMessage();
}

void TSmtpCli::RewindMessage() {
  TextPartPending = true;
  AttachmentIndex = 0;
  TextLineNumber = 0;
  AttachmentOpen = false;
  PendingLines.clear();
  if (AttachmentFile.isOpen()) AttachmentFile.close();
  if (!MimeBoundary.empty()) {
    PendingLines = {"This is a multipart MIME message.",
                    "",
                    "--" + MimeBoundary,
                    "Content-Type: text/plain; charset=\"" + net::singleLine(CharSet) + "\"",
                    "Content-Transfer-Encoding: " + PlainTextEncoding,
                    ""};
  }
  TCustomSmtpClient::RewindMessage();
}

bool TSmtpCli::TextLine(int number, std::string& line) {
  // The owner writes into a buffer of the size it is given and cuts what does not fit; a line
  // that fills the buffer is asked for again in a larger one.
  size_t size = static_cast<size_t>(kBodyMaxLen);
  for (;;) {
    TextBuffer.assign(size, '\0');
    bool more = true;
    TCustomSmtpClient::DoGetData(number, TextBuffer.data(), more, static_cast<int>(size));
    if (!more) return false;
    const size_t length = strnlen(TextBuffer.data(), size);
    if (length + 1 < size || size >= static_cast<size_t>(kBodyLineLongest)) {
      line.assign(TextBuffer.data(), length);
      return true;
    }
    size = std::min(size * kBodyLineGrowth, static_cast<size_t>(kBodyLineLongest));
  }
}

// The text part's header comes before its lines, so they are looked at once beforehand. The
// owner serves lines by number, so asking twice gives the same lines.
std::string TSmtpCli::TextTransferEncoding() {
  bool highBytes = false;
  try {
    std::string line;
    for (int number = 1; TextLine(number, line); ++number) {
      for (std::string_view piece : net::splitBodyLine(line)) {
        const bool dotted = !piece.empty() && piece[0] == '.';
        if (piece.size() + (dotted ? 1 : 0) > static_cast<size_t>(kWireLineMax)) {
          return "quoted-printable";
        }
      }
      highBytes = highBytes || std::any_of(line.begin(), line.end(), [](char c) {
                    return static_cast<unsigned char>(c) >= 0x80;
                  });
    }
  } catch (...) {
    // The body fails again when it is sent, and ends the message there.
  }
  // Mail servers without 8BITMIME may pass 8-bit text on mangled, or refuse it.
  if (!highBytes) return "7bit";
  return Capabilities().eightBitMime ? "8bit" : "quoted-printable";
}

// Each wire line of a text line is served on its own, so none is ever cut.
void TSmtpCli::QueueTextLine(const std::string& line) {
  for (std::string_view piece : net::splitBodyLine(line)) {
    if (!QuotedPrintableText) {
      PendingLines.emplace_back(piece);
      continue;
    }
    for (std::string& encoded : net::quotedPrintableLines(piece)) {
      PendingLines.push_back(std::move(encoded));
    }
  }
}

void TSmtpCli::DoBuildHeader(std::vector<std::string>& Header) {
  auto valueOf = [](const std::string& line,
                    const std::string& name) -> std::optional<std::string> {
    if (line.size() < name.size() || strncasecmp(line.c_str(), name.c_str(), name.size()) != 0) {
      return std::nullopt;
    }
    return line.substr(name.size());
  };
  for (auto line = Header.begin(); line != Header.end(); ++line) {
    if (auto subject = valueOf(*line, "Subject: ")) {
      *line = "Subject: " + encodedWords(*subject);
    } else if (auto to = valueOf(*line, "To: ")) {
      *line = "To: " + asciiDomains(*to);
    } else if (auto from = valueOf(*line, "From: ")) {
      *line = "From: " + encodedMailbox(*from);
    } else if (valueOf(*line, "Date: ")) {
      line = Header.insert(line + 1, "Message-ID: " + messageId(FromName));
    }
  }
  // 7bit is what a message without the line means.
  if (MimeBoundary.empty() && PlainTextEncoding != "7bit") {
    Header.push_back("Content-Transfer-Encoding: " + PlainTextEncoding);
  }
  TCustomSmtpClient::DoBuildHeader(Header);
}

void TSmtpCli::DoHeaderLine(char* Msg, int Size) {
  if (!MimeBoundary.empty() && Size >= 13 && strncasecmp(Msg, "CONTENT-TYPE:", 13) == 0) {
    copyLine("Content-Type: multipart/mixed;\r\n\tboundary=\"" + MimeBoundary + "\"", Msg, Size);
  }
  TCustomSmtpClient::DoHeaderLine(Msg, Size);
}

void TSmtpCli::DoGetData(int, char* MsgLine, bool& More, int MaxLen) {
  if (TextPartPending && PendingLines.empty()) {
    std::string line;
    if (TextLine(++TextLineNumber, line)) {
      QueueTextLine(line);
    } else {
      TextPartPending = false;
    }
  }
  if (!PendingLines.empty()) {
    copyLine(PendingLines.front(), MsgLine, MaxLen);
    PendingLines.pop_front();
    More = true;
    return;
  }
  if (AttachmentOpen) {
    std::string line;
    bool fileMore = false;
    EncodeAttachmentLine(AttachmentFile, line, fileMore);
    if (!fileMore) EndAttachment();
    copyLine(line, MsgLine, MaxLen);
    More = true;
    return;
  }
  if (AttachmentIndex < EmailFiles.size()) {
    const std::string& path = EmailFiles[AttachmentIndex];
    OpenAttachment(AttachmentFile, path);
    QueuePartHeader(path);
    AttachmentOpen = true;
    copyLine("", MsgLine, MaxLen);
    More = true;
    return;
  }
  More = false;
}

// Base64 lines need neither dot-stuffing nor splitting: they are encoded straight into the
// engine's send block, a block's worth at a time.
bool TSmtpCli::DoGetDataBlock(std::string& Block, size_t Limit) {
  if (!AttachmentOpen || !PendingLines.empty() || TextPartPending) return false;
  if (Measuring()) {
    AddMeasured(base64WireOctets(AttachmentFile.unreadBytes()));
    EndAttachment();
    return true;
  }
  bool more = true;
  while (more && Block.size() < Limit) {
    EncodeAttachmentLine(AttachmentFile, Block, more);
    Block += "\r\n";
  }
  if (!more) EndAttachment();
  return true;
}

void TSmtpCli::EndAttachment() {
  CloseAttachment(AttachmentFile);
  AttachmentOpen = false;
  ++AttachmentIndex;
  if (AttachmentIndex >= EmailFiles.size()) {
    PendingLines.push_back("");
    PendingLines.push_back("--" + MimeBoundary + "--");
  }
}

void TSmtpCli::QueuePartHeader(const std::string& path) {
  const std::string name = attachmentFileName(path);
  PendingLines.push_back("--" + MimeBoundary);
  PendingLines.push_back("Content-Type: " + AttachmentTypes[AttachmentIndex] + ";");
  PendingLines.push_back("\t" + fileNameParameter("name", name));
  PendingLines.push_back("Content-Transfer-Encoding: base64");
  PendingLines.push_back("Content-Disposition: attachment;");
  PendingLines.push_back("\t" + fileNameParameter("filename", name));
  PendingLines.push_back("");
}

void TSmtpCli::OpenAttachment(AttachmentReader& file, const std::string& path) {
  file.open(path);
}

void TSmtpCli::EncodeAttachmentLine(AttachmentReader& file, std::string& line, bool& more) {
  unsigned char bytes[kBase64BytesPerLine];
  const size_t count = file.read(bytes, sizeof bytes);
  net::appendBase64(bytes, count, line);
  more = !file.atEnd();
}

void TSmtpCli::CloseAttachment(AttachmentReader& file) {
  file.close();
}

}  // namespace zelvaro::send
