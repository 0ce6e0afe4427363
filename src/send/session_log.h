#pragma once

// The log of a send session: every line in the log results window, and, when the settings
// switch logging on, in a text file that is started afresh for every session or grows across
// sessions.

#include <string>

#include "core/settings.h"

namespace zelvaro::send {

// Where the log's lines are shown, and the settings that steer the file. The settings are read
// at every call, so a change made between two lines takes effect at the next one.
class LogHost {
 public:
  virtual ~LogHost() = default;
  virtual const core::Settings& settings() = 0;
  virtual void clearLogWindow() = 0;
  virtual void appendLogWindowLine(const std::string& line) = 0;
};

// "Zelvaro logfile. Version:" and the program's version.
std::string logFileHeader();

class SessionLog {
 public:
  explicit SessionLog(LogHost& host) : host_(host) {}

  // Start of a session: empties the window and prepares the file (a new one with its header in
  // overwrite mode or when there is none yet; else the lines go after what it holds).
  void BeginLog();
  // One line (the empty text is an empty line). The file is opened, extended and closed for
  // every line, so it is complete after each line even if the program stops.
  void LogLine(const std::string& text);

  // The file could not be written during this session.
  bool fileFailed() const { return fileFailed_; }

 private:
  template <typename Write>
  void writeFile(Write write);

  LogHost& host_;
  // A file that failed once is left alone for the rest of the session: a log with holes in it
  // would be worse than none, and the operator has been told once.
  bool fileFailed_ = false;
};

}  // namespace zelvaro::send
