#pragma once

// "Check connection" of the orders mailbox: connects, starts TLS, logs in, opens the orders
// folder and logs out, touching no message, and tells what it met in readable lines.

#include "core/settings.h"
#include "send/connection_check.h"

namespace zelvaro::send {

// Runs the event loop until the check is over. Uses `onTrace`, `whileWaiting` and
// `stallTimeoutMs` of the options.
CheckReport checkMailbox(const core::Settings& settings, const CheckOptions& options = {});

}  // namespace zelvaro::send
