#pragma once

// What a send session needs of the window it runs in: the main window in the program, a
// plain object in the tests. The session reads through it afresh whenever it needs a value,
// because the operator may edit the game while the session waits for the server.

#include <string>

#include "core/game.h"
#include "platform/file_lock.h"
#include "send/session_log.h"

namespace zelvaro::send {

class SessionHost : public LogHost {
 public:
  // The current game as the window shows it now: name, universe path, subject, body lines,
  // attach flags, roster, alias, year and base path (computed by the caller before the session
  // starts), game file path. The session writes only its last-generated text (and line 5 of
  // its game file).
  virtual core::Game& game() = 0;

  // The SMTP monitor: every trace line of the client. clearMonitor starts a session's lines; the
  // window may keep the sessions before above them.
  virtual void clearMonitor() = 0;
  virtual void appendMonitorLine(const std::string& line) = 0;
  // Shows the log results window, not modal.
  virtual void showLogWindow() = 0;

  virtual void setSendEnabled(bool enabled) = 0;

  // "Progress of current file": trace lines of the message in progress. Its maximum follows
  // the length of recent messages and is kept across runs (the progmax setting).
  virtual int fileProgressMaximum() = 0;
  virtual void setFileProgress(int position, int maximum) = 0;
  // "Progress of all emails", 0 to 100.
  virtual void setOverallProgress(int position) = 0;

  // Shows "Last generated: " + text.
  virtual void showLastGenerated(const std::string& text) = 0;

  // Another run holds the game: says `sentence` and waits until `lock` is taken; false when the
  // operator stopped waiting or the program is ending. By default the sentence is a note and
  // nobody can stop the wait but the program's end.
  virtual bool waitForGame(platform::FileLock& lock, const std::string& sentence);
};

}  // namespace zelvaro::send
