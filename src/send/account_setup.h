#pragma once

// The settings' security and login put into a client, with the password fetched: what a send
// session and a connection check do before they connect.

#include <functional>
#include <string>

#include "core/settings.h"
#include "net/smtp_client.h"

namespace zelvaro::send {

// Empty when the client is ready to connect; else why not, in one line that says what to set.
// `whileWaiting` keeps a window alive while a password command runs.
std::string applyAccount(net::TCustomSmtpClient& client, const core::Settings& settings,
                         const std::function<void()>& whileWaiting = {});

// A host name or address of this machine itself, as written: the only place a login may go
// unencrypted.
bool isLoopbackHost(std::string host);

// Overwrites a secret before it is let go.
void forgetSecret(std::string& secret);

}  // namespace zelvaro::send
