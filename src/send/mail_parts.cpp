#include "send/mail_parts.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>

namespace zelvaro::send {

namespace {

struct Unref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using Owned = std::unique_ptr<T, Unref>;

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string trimmed(const char* text) {
  std::string value = text != nullptr ? text : "";
  const size_t begin = value.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  return value.substr(begin, value.find_last_not_of(" \t\r\n") - begin + 1);
}

std::string header(GMimeMessage* message, const char* name) {
  return trimmed(g_mime_object_get_header(GMIME_OBJECT(message), name));
}

std::string senderOf(GMimeMessage* message) {
  InternetAddressList* from = g_mime_message_get_from(message);
  if (from == nullptr || internet_address_list_length(from) < 1) return {};
  InternetAddress* address = internet_address_list_get_address(from, 0);
  if (!INTERNET_ADDRESS_IS_MAILBOX(address)) return {};
  return trimmed(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)));
}

std::string decodedContent(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (content == nullptr) return {};
  Owned<GMimeStream> out(g_mime_stream_mem_new());
  g_mime_data_wrapper_write_to_stream(content, out.get());
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

// "begin 644 orion.x3" opens a uuencoded file inside a text; "end" closes it.
bool uuBegin(std::string_view line, std::string& name) {
  if (line.substr(0, 6) != "begin ") return false;
  size_t at = 6;
  while (at < line.size() && line[at] >= '0' && line[at] <= '7') ++at;
  if (at == 6 || at >= line.size() || line[at] != ' ') return false;
  name = std::string(line.substr(at + 1));
  while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.pop_back();
  return !name.empty();
}

// Old mail programs put files into the text itself, uuencoded between "begin" and "end".
void inlineUuencoded(const std::string& text, std::vector<MailAttachment>& found) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t lineEnd = std::min(text.find('\n', at), text.size());
    std::string name;
    if (!uuBegin(std::string_view(text).substr(at, lineEnd - at), name)) {
      at = lineEnd + 1;
      continue;
    }
    const size_t body = std::min(lineEnd + 1, text.size());
    std::vector<unsigned char> out(text.size() - body + 3);
    int state = GMIME_UUDECODE_STATE_BEGIN;
    guint32 save = 0;
    const size_t length =
        g_mime_encoding_uudecode_step(reinterpret_cast<const unsigned char*>(text.data() + body),
                                      text.size() - body, out.data(), &state, &save);
    found.push_back({name, std::string(reinterpret_cast<const char*>(out.data()), length)});
    const size_t end = text.find("\nend", body);
    at = end == std::string::npos ? text.size() : end + 4;
  }
}

void collect(GMimeObject* /*parent*/, GMimeObject* object, gpointer data) {
  auto* found = static_cast<std::vector<MailAttachment>*>(data);
  if (!GMIME_IS_PART(object)) return;
  GMimePart* part = GMIME_PART(object);
  const char* name = g_mime_part_get_filename(part);
  std::string bytes = decodedContent(part);
  GMimeContentType* type = g_mime_object_get_content_type(object);
  if (name == nullptr && g_mime_content_type_is_type(type, "text", "*")) {
    inlineUuencoded(bytes, *found);
    return;
  }
  found->push_back({name != nullptr ? name : "", std::move(bytes)});
}

}  // namespace

MailParts takeApart(std::string_view message) {
  static std::once_flag started;
  std::call_once(started, [] { g_mime_init(); });
  MailParts parts;
  Owned<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(message.data(), message.size()));
  Owned<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  Owned<GMimeMessage> parsed(g_mime_parser_construct_message(parser.get(), nullptr));
  if (!parsed) return parts;
  GMimeMessage* mail = parsed.get();
  parts.parsed = true;
  parts.sender = senderOf(mail);
  if (const char* id = g_mime_message_get_message_id(mail)) {
    parts.messageId = "<" + std::string(id) + ">";
  }
  if (const char* subject = g_mime_message_get_subject(mail)) parts.subject = subject;

  const std::string autoSubmitted = lower(header(mail, "Auto-Submitted"));
  parts.autoSubmitted = !autoSubmitted.empty() && autoSubmitted.substr(0, 2) != "no";
  const std::string precedence = lower(header(mail, "Precedence"));
  parts.fromList = !header(mail, "List-Id").empty() || precedence == "bulk" ||
                   precedence == "list" || precedence == "junk";
  const char* returnPath = g_mime_object_get_header(GMIME_OBJECT(mail), "Return-Path");
  GMimeObject* body = g_mime_message_get_mime_part(mail);
  parts.bounce =
      (returnPath != nullptr && trimmed(returnPath) == "<>") ||
      (body != nullptr &&
       g_mime_content_type_is_type(g_mime_object_get_content_type(body), "multipart", "report"));
  g_mime_message_foreach(mail, collect, &parts.attachments);
  return parts;
}

}  // namespace zelvaro::send
