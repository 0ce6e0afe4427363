#include "core/stars_blocks.h"

namespace zelvaro::core {

BlockChain walkBlocks(std::string_view bytes) {
  BlockChain chain;
  size_t offset = 0;
  while (offset + 2 <= bytes.size()) {
    const unsigned header = static_cast<unsigned char>(bytes[offset]) |
                            static_cast<unsigned char>(bytes[offset + 1]) << 8;
    const size_t size = header & 0x3FF;
    const unsigned type = header >> 10;
    offset += 2 + size;
    ++chain.blocks;
    if (type == 0) {
      chain.ended = true;
      chain.whole = offset == bytes.size();
      return chain;
    }
  }
  return chain;
}

}  // namespace zelvaro::core
