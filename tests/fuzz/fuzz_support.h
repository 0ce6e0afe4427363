#pragma once

// What every fuzz target shares: a scratch folder in memory (a file per input costs no disk),
// messages that go nowhere, and the application object for the targets that run the loop.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelvaro::fuzz {

// Called once from each target's first input: quiet messages, the scratch folder made.
void setUp();

// A file of the scratch folder, by name.
std::string scratchFile(const std::string& name);

// Replaces the file's content with the bytes.
void writeBytes(const std::string& path, const uint8_t* data, size_t size);

// The Qt application object (without widgets) that the event loop needs; made once.
void needEventLoop();

}  // namespace zelvaro::fuzz
