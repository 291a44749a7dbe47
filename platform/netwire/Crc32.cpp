#include "netwire/Crc32.h"

#include <algorithm>
#include <limits>

#include <zlib.h>

namespace vk::wire {

std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size) {
  auto* bytes = static_cast<const Bytef*>(data);
  uLong value = crc;
  while (size > 0) {
    // zlib takes the length as uInt; feed large blocks in pieces.
    auto piece = static_cast<uInt>(std::min<std::size_t>(size, std::numeric_limits<uInt>::max()));
    value = ::crc32(value, bytes, piece);
    bytes += piece;
    size -= piece;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace vk::wire
