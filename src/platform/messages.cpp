#include "platform/messages.h"

#include <iostream>

namespace zelvaro::platform {

namespace {

std::unique_ptr<Messages>& installed() {
  static std::unique_ptr<Messages> impl = std::make_unique<BatchMessages>();
  return impl;
}

}  // namespace

Messages& messages() {
  return *installed();
}

std::unique_ptr<Messages> installMessages(std::unique_ptr<Messages> impl) {
  std::unique_ptr<Messages> previous = std::move(installed());
  installed() = std::move(impl);
  return previous;
}

void BatchMessages::write(const std::string& text) {
  // One line per message, whatever line breaks the text carries.
  std::string line = text;
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  std::cerr << "zelvaro: " << line << std::endl;
  ++written_;
}

void BatchMessages::show(const std::string& text, MessageKind) {
  write(text);
}

void BatchMessages::note(const std::string& text) {
  write(text);
  --written_;
}

Button BatchMessages::ask(const Question& question) {
  write(question.text);
  return question.defaultButton;
}

std::optional<std::string> BatchMessages::openFile(const FileDialog&) {
  return std::nullopt;
}

std::optional<std::string> BatchMessages::saveFile(const FileDialog&) {
  return std::nullopt;
}

void RecordingMessages::show(const std::string& text, MessageKind kind) {
  entries.push_back({text, kind, false});
}

Button RecordingMessages::ask(const Question& question) {
  entries.push_back({question.text, question.kind, true});
  if (answers.empty()) return question.defaultButton;
  Button answer = answers.front();
  answers.pop_front();
  return answer;
}

std::optional<std::string> RecordingMessages::openFile(const FileDialog& dialog) {
  dialogs.push_back(dialog);
  if (fileAnswers.empty()) return std::nullopt;
  auto answer = fileAnswers.front();
  fileAnswers.pop_front();
  return answer;
}

std::optional<std::string> RecordingMessages::saveFile(const FileDialog& dialog) {
  return openFile(dialog);
}

std::vector<std::string> RecordingMessages::texts() const {
  std::vector<std::string> result;
  for (const auto& entry : entries) result.push_back(entry.text);
  return result;
}

}  // namespace zelvaro::platform
