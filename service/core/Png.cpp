#include "Png.h"

#include <zlib.h>

#include <stdexcept>

namespace vk::service {
namespace {

void put32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void chunk(std::string& out, const char* type, const std::string& data) {
  put32(out, static_cast<std::uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  put32(out, static_cast<std::uint32_t>(
                 ::crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

}  // namespace

std::string encodePng(int width, int height, const std::string& rgb) {
  if (width <= 0 || height <= 0 || rgb.size() != static_cast<std::size_t>(width) * height * 3)
    throw std::invalid_argument("encodePng: the pixels do not match the size");
  std::string raw;
  raw.reserve(rgb.size() + static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // filter: none
    raw.append(rgb, static_cast<std::size_t>(y) * width * 3, static_cast<std::size_t>(width) * 3);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), 6) != Z_OK)
    throw std::runtime_error("compress2 failed");
  packed.resize(packedSize);

  std::string png("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  put32(header, static_cast<std::uint32_t>(width));
  put32(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter set, no interlace
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", packed);
  chunk(png, "IEND", "");
  return png;
}

std::string drawPicture(int width, int height, std::uint32_t seed) {
  // Warm stage colours: gold, amber, rose, cyan, violet, green.
  static const unsigned char palette[][3] = {{0xE8, 0xB0, 0x30}, {0xD9, 0x6A, 0x1E}, {0xC8, 0x3E, 0x6A},
                                             {0x2F, 0xB8, 0xC8}, {0x7A, 0x4F, 0xC8}, {0x4C, 0xAF, 0x50}};
  const auto* a = palette[seed % 6];
  const auto* b = palette[(seed / 6 + 1 + seed % 6) % 6];
  const double cx = width * (0.3 + 0.4 * ((seed >> 8) % 100) / 100.0);
  const double cy = height * (0.3 + 0.4 * ((seed >> 16) % 100) / 100.0);
  const double r = std::min(width, height) * (0.18 + 0.12 * ((seed >> 4) % 10) / 10.0);
  std::string rgb;
  rgb.reserve(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double t = (x + y) / double(width + height);
      bool inDisc = (x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r;
      for (int c = 0; c < 3; ++c) {
        double v = a[c] * (1 - t) + b[c] * t;
        if (inDisc) v = 255 - (255 - v) * 0.35;
        rgb += static_cast<char>(static_cast<unsigned char>(v * 0.85));
      }
    }
  }
  return encodePng(width, height, rgb);
}

}  // namespace vk::service
