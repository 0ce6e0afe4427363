#pragma once

#include <functional>

namespace zelvaro::test {

// Runs the event loop until done() holds, for at most timeoutMs; false when the time ran out.
// Tests wait on events this way, never on sleeps.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000);

}  // namespace zelvaro::test
