#pragma once

// The orders mailbox's settings put into an IMAP client, with the password fetched, before it
// connects. The login: `imapuser`, else the SMTP `user`. The password: `imappasswordcommand`;
// else, without an `imapuser`, the SMTP account's (its password command or keyring entry);
// else the keyring entry "<imapuser>@<imaphost>".

#include <functional>
#include <string>

#include "core/settings.h"
#include "net/imap_client.h"

namespace zelvaro::send {

// Empty when the client is ready to connect; else why not, in one line that says what to set.
// `whileWaiting` keeps a window alive while a password command runs.
std::string applyMailboxAccount(net::ImapClient& client, const core::Settings& settings,
                                const std::function<void()>& whileWaiting = {});

// After a failure with this error number of the client: the setting to look at, as " (check
// ...)", or nothing where the server's own words say it.
std::string mailboxFailureHint(int error);

}  // namespace zelvaro::send
