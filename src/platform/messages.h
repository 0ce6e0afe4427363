#pragma once

// Modal conversation with the operator: message boxes and file dialogs. Every layer talks to
// the operator through the one installed implementation, so tests can answer from a script and
// an unattended run can answer with the default button.

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zelvaro::platform {

enum class Button { Ok, Cancel, Yes, No, Ignore, Abort, Retry };

enum class MessageKind { Plain, Information, Warning, Error, Question };

struct Question {
  std::string text;
  std::vector<Button> buttons{Button::Ok};
  Button defaultButton = Button::Ok;
  MessageKind kind = MessageKind::Question;
  std::string caption;  // empty: the application's name
  // Buttons that say what they do ("Send anyway") instead of their usual caption.
  std::vector<std::pair<Button, std::string>> labels;
};

struct FileDialog {
  std::string caption;
  std::string directory;
  std::string fileName;          // proposed name
  std::string filter;            // e.g. "Game files (*.zv);;All files (*)"
  std::string defaultSuffix;     // e.g. "zv"
  bool confirmOverwrite = true;  // saveFile: ask before an existing file is picked
};

class Messages {
 public:
  virtual ~Messages() = default;
  // Shows the text with an OK button and returns when it is dismissed.
  virtual void show(const std::string& text, MessageKind kind = MessageKind::Plain) = 0;
  virtual Button ask(const Question& question) = 0;
  // Empty when the operator cancels.
  virtual std::optional<std::string> openFile(const FileDialog& dialog) = 0;
  virtual std::optional<std::string> saveFile(const FileDialog& dialog) = 0;
  // Says what the program is doing where nobody need answer (an unattended run's standard
  // error); no failure. The window says such things its own way.
  virtual void note(const std::string& text) { show(text, MessageKind::Information); }
};

// The installed implementation. Before anything is installed, a batch implementation
// writing to standard error answers, so nothing can dereference a null conversation.
Messages& messages();
// Installs `impl` and returns the previous one (which the caller may restore).
std::unique_ptr<Messages> installMessages(std::unique_ptr<Messages> impl);

// The everyday call: a plain message box.
inline void showMessage(const std::string& text) {
  messages().show(text);
}

// Unattended runs: each text becomes one line "zelvaro: <text>" on standard error and every
// question takes its default button. Counts what it wrote, so a batch run can tell whether
// anything needed saying.
class BatchMessages : public Messages {
 public:
  void show(const std::string& text, MessageKind kind) override;
  Button ask(const Question& question) override;
  std::optional<std::string> openFile(const FileDialog& dialog) override;
  std::optional<std::string> saveFile(const FileDialog& dialog) override;
  void note(const std::string& text) override;
  // Lines written, notes not counted.
  int written() const { return written_; }

 private:
  void write(const std::string& text);
  int written_ = 0;
};

// Tests: keeps every text shown or asked, answers questions and dialogs from scripts. A
// question with no scripted answer takes its default button; a dialog with no scripted
// answer is cancelled.
class RecordingMessages : public Messages {
 public:
  struct Entry {
    std::string text;
    MessageKind kind;
    bool question;
  };

  void show(const std::string& text, MessageKind kind) override;
  Button ask(const Question& question) override;
  std::optional<std::string> openFile(const FileDialog& dialog) override;
  std::optional<std::string> saveFile(const FileDialog& dialog) override;

  void answerNext(Button button) { answers.push_back(button); }
  void answerNextFile(std::optional<std::string> path) { fileAnswers.push_back(std::move(path)); }
  std::vector<std::string> texts() const;
  void clear() { entries.clear(); }

  std::vector<Entry> entries;
  std::deque<Button> answers;
  std::deque<std::optional<std::string>> fileAnswers;
  std::vector<FileDialog> dialogs;  // every dialog opened, in order
};

// Real message boxes and file dialogs (needs a QApplication).
std::unique_ptr<Messages> makeWidgetMessages();

}  // namespace zelvaro::platform
