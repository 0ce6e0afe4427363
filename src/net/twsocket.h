#pragma once

#include "net/wsocket.h"

namespace zelvaro::net {

// The socket as the rest of the program uses it.
class TWSocket : public TCustomWSocket {};

}  // namespace zelvaro::net
