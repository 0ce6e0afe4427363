#pragma once

// The chain of blocks every Stars! file is made of: each block starts with a 2-byte
// little-endian header that the game never encrypts, its size in the low 10 bits and its type
// in the high 6. Orders, result and host files end with a block of type 0 exactly at the file's
// end; a chain that runs past the end, or stops before it, belongs to a file cut short. (The
// universe file carries data after its planets block that is no block, so this walk is not for
// it.)

#include <cstddef>
#include <string_view>

namespace zelvaro::core {

struct BlockChain {
  size_t blocks = 0;   // blocks walked, the end block included when there is one
  bool ended = false;  // a type 0 block was reached
  bool whole = false;  // it was reached, and it ends exactly at the file's end
};

BlockChain walkBlocks(std::string_view bytes);

}  // namespace zelvaro::core
