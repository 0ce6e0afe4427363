#pragma once

// The message composer: the SMTP client that turns the header, the owner's body lines and a
// list of files into a plain message, or into a MIME multipart message with one base64 part
// per file.

#include <deque>
#include <string>
#include <vector>

#include "net/smtp_client.h"
#include "send/attachment_reader.h"

namespace zelvaro::send {

// The files to attach, in order. The session clears it and appends paths it has checked;
// assigning a whole list trims every line, skips empty ones and refuses the whole list when a
// path does not exist.
class EmailFileList {
 public:
  EmailFileList& operator=(const std::vector<std::string>& lines);
  void clear() { paths_.clear(); }
  void push_back(std::string path) { paths_.push_back(std::move(path)); }
  size_t size() const { return paths_.size(); }
  bool empty() const { return paths_.empty(); }
  const std::string& operator[](size_t index) const { return paths_[index]; }
  std::vector<std::string>::const_iterator begin() const { return paths_.begin(); }
  std::vector<std::string>::const_iterator end() const { return paths_.end(); }

 private:
  std::vector<std::string> paths_;
};

class TSmtpCli : public net::TCustomSmtpClient {
 public:
  // The program's text is UTF-8, so that is the charset this client declares.
  TSmtpCli();
  ~TSmtpCli() override;

  EmailFileList EmailFiles;

  // The message says how its text goes before MAIL FROM, as 8BITMIME asks.
  void MailFrom() override;

 protected:
  // Ignores the engine's line number: each call yields the next line of the message body.
  void DoGetData(int LineNum, char* MsgLine, bool& More, int MaxLen) override;
  void DoHeaderLine(char* Msg, int Size) override;
  // The base64 lines of an attachment, as many as the block holds.
  bool DoGetDataBlock(std::string& Block, size_t Limit) override;
  // Subject and display name as encoded words when not ASCII, a Message-ID after the Date,
  // and the text's transfer encoding when it is not plain ASCII.
  void DoBuildHeader(std::vector<std::string>& Header) override;
  void BeginMessage() override;
  void RewindMessage() override;

  virtual void OpenAttachment(AttachmentReader& file, const std::string& path);
  // Up to 45 bytes as one base64 line, appended to `line` (which may hold the lines before it);
  // more is false once the last byte has been read.
  virtual void EncodeAttachmentLine(AttachmentReader& file, std::string& line, bool& more);
  virtual void CloseAttachment(AttachmentReader& file);

 private:
  // Line `number` (from 1) of the owner's text, whole however long; false past the last.
  bool TextLine(int number, std::string& line);
  // How the text part must travel: "7bit", "8bit", or "quoted-printable" when a line is too
  // long for the wire.
  std::string TextTransferEncoding();
  void QueueTextLine(const std::string& line);
  void QueuePartHeader(const std::string& path);
  // The attachment's last line has been made.
  void EndAttachment();

  std::deque<std::string> PendingLines;
  std::string MimeBoundary;
  std::vector<std::string> AttachmentTypes;  // the Content-Type of each of EmailFiles
  size_t AttachmentIndex = 0;
  AttachmentReader AttachmentFile;
  bool AttachmentOpen = false;
  bool TextPartPending = false;
  int TextLineNumber = 0;
  bool QuotedPrintableText = false;
  std::string PlainTextEncoding = "7bit";
  std::vector<char> TextBuffer;
};

}  // namespace zelvaro::send
