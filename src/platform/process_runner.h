#pragma once

// Runs a command of the operator's through /bin/sh -c in a process group of its own, with a
// time limit, and keeps its output: the password command now, the game's generate command
// later. Once the shell has ended, whatever it left running in its group is ended too, so a
// background child that still holds the output never holds the caller.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace zelvaro::platform {

struct ProcessOptions {
  std::chrono::milliseconds limit{30000};
  // Standard output and standard error are each kept up to this many bytes; the rest is
  // read and dropped, so a chatty command never blocks on a full pipe.
  std::size_t maxOutput = 64 * 1024;
  // Runs now and then until the command ends (to keep a window alive).
  std::function<void()> whileWaiting;
  // The folder the command runs in; empty: the program's.
  std::string workingDirectory;
  // Looked at between slices: once true, the command's group is ended as at the time limit.
  const std::atomic<bool>* cancelled = nullptr;
};

struct ProcessResult {
  enum class End { Exited, Signalled, TimedOut, Cancelled, NotStarted };
  End end = End::NotStarted;
  int exitStatus = 0;   // Exited
  int signal = 0;       // Signalled
  std::string output;   // standard output
  std::string errors;   // standard error
  std::string problem;  // NotStarted: the system's reason

  bool succeeded() const { return end == End::Exited && exitStatus == 0; }
};

// Standard input stays the program's, so a pinentry prompt still reaches the operator.
ProcessResult runProcess(const std::string& command, const ProcessOptions& options = {});

// Overwrites bytes that held a secret before they are let go.
void wipeBytes(void* data, std::size_t size);

}  // namespace zelvaro::platform
