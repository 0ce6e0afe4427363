#pragma once

#include "net/syncwsocket.h"

namespace zelvaro::net {

// The socket as the rest of the program uses it: every layer, nothing added.
class TWSocket : public TCustomSyncWSocket {};

}  // namespace zelvaro::net
