// CRC-32 (the zlib polynomial) of packets and files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vk::wire {

// Continues `crc` over `size` bytes; start with 0.
std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size);

}  // namespace vk::wire
