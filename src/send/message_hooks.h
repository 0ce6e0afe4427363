#pragma once

// The two handlers the send session puts on the composer's events: the Comments header line
// after From, and the body served line by line from the filled template lines.

#include <string>
#include <vector>

namespace zelvaro::send {

// OnHeaderLine: a line that begins with "From:" (in any case) gets CR LF and the Comments line
// after it, when the buffer of `size` bytes holds both.
void addCommentsLine(char* line, int size);

// OnHeaderLine too: the value of a "Message-ID:" line (any case) into `id`; other lines leave
// it as it is.
void noteMessageId(const char* line, std::string& id);

// OnGetData: line `number` (from 1) of `lines` into the buffer, cut to maxLen - 1 characters;
// more becomes false past the last line.
void serveBodyLine(const std::vector<std::string>& lines, int number, char* buffer, int maxLen,
                   bool& more);

}  // namespace zelvaro::send
