#pragma once

// Whole-file access for every file of the program. Lines are written with CR LF after each,
// the last one included; on reading, a lone LF ends a line too and no line keeps a CR at its
// end. Failures other than a missing file throw EInOutError.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/errors.h"

namespace zelvaro::core {

// A file (not a folder) is at the path.
bool fileExists(const std::string& path);
// A regular file of no bytes is at the path.
bool fileIsEmpty(const std::string& path);

// Every line of the file; nothing when there is no file at the path.
std::optional<std::vector<std::string>> readAllLines(const std::string& path);

// Replaces the file's content with the lines, or creates it. The lines go to a temporary file
// in the same folder that is then renamed over the old file, so a crash or a full disk leaves
// either the old content or the new one, never a part; the temporary file has no name while it
// is written, where the file system allows, so a kill leaves nothing behind, and those that
// processes no longer running left beside the same file are removed. A symbolic link is
// followed and the file it names is replaced; an existing file keeps its permissions. A folder
// at the path is never replaced: EInOutError.
void writeAllLines(const std::string& path, const std::vector<std::string>& lines);
// The same for bytes as they are (a Stars! file).
void writeAllBytes(const std::string& path, const std::string& bytes);

// Writes the lines into a file made new at the path, for files handed to someone else to read.
// An older regular file of that name is removed first; nothing else is ever written through or
// replaced: a symbolic link (even one put there meanwhile), a folder or a device at the path
// throws ENotAPlainFile and stays as it is.
void writeNewFile(const std::string& path, const std::vector<std::string>& lines);

class ENotAPlainFile : public std::runtime_error {
 public:
  explicit ENotAPlainFile(const std::string& path);
};

// Up to `count` bytes from the start of the file (fewer when the file is shorter). Throws
// EInOutError when the file cannot be opened or read, a missing file included.
std::string readFirstBytes(const std::string& path, size_t count);

// Creates the file, or empties an existing one.
void CreateEmpty(const std::string& path);

// Appends the line and CR LF. The file must exist: a missing file is an EInOutError too.
void AppendLine(const std::string& path, const std::string& line);

}  // namespace zelvaro::core
