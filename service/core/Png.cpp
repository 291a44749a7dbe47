#include "Png.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

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

namespace {

// Pictures drawn with coverage-based edges: each shape gives, per pixel, how much of it the
// shape covers (0..1), and the colour is blended by that.
struct Canvas {
  int size;
  std::vector<double> rgb;  // 0..255 per channel
  explicit Canvas(int n) : size(n), rgb(static_cast<std::size_t>(n) * n * 3, 0.0) {}
  void blend(int x, int y, const double colour[3], double alpha) {
    if (x < 0 || y < 0 || x >= size || y >= size || alpha <= 0) return;
    alpha = std::min(alpha, 1.0);
    double* p = &rgb[(static_cast<std::size_t>(y) * size + x) * 3];
    for (int c = 0; c < 3; ++c) p[c] = p[c] * (1 - alpha) + colour[c] * alpha;
  }
  // A disc of radius r (or a ring between r0 and r); `alpha` scales it.
  void disc(double cx, double cy, double r, const double colour[3], double alpha = 1, double r0 = -1) {
    for (int y = std::max(0, int(cy - r - 2)); y < std::min(size, int(cy + r + 2)); ++y)
      for (int x = std::max(0, int(cx - r - 2)); x < std::min(size, int(cx + r + 2)); ++x) {
        const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
        double cover = std::clamp(r - d + 0.5, 0.0, 1.0);
        if (r0 >= 0) cover = std::min(cover, std::clamp(d - r0 + 0.5, 0.0, 1.0));
        blend(x, y, colour, cover * alpha);
      }
  }
  std::string png() const {
    std::string out;
    out.reserve(rgb.size());
    for (double v : rgb) out += static_cast<char>(static_cast<unsigned char>(std::clamp(v, 0.0, 255.0)));
    return encodePng(size, size, out);
  }
};

// Stage colours: gold, amber, rose, cyan, violet, green.
const double kPalette[][3] = {{232, 176, 48}, {217, 106, 30}, {200, 62, 106}, {47, 184, 200}, {122, 79, 200}, {76, 175, 80}};
const double kInk[3] = {16, 20, 42};
const double kWhite[3] = {255, 255, 255};

void gradient(Canvas& canvas, const double* a, const double* b, double darken) {
  const int n = canvas.size;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const double t = (x * 0.4 + y) / (1.4 * n);
      double* p = &canvas.rgb[(static_cast<std::size_t>(y) * n + x) * 3];
      for (int c = 0; c < 3; ++c) p[c] = (a[c] * (1 - t) + b[c] * t) * darken;
    }
}

// Seeds of neighbouring songs differ in few bits: mixed, every bit of the picture's choices
// changes with them.
std::uint32_t mix(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  return x ^ (x >> 16);
}

}  // namespace

std::string drawCover(int size, std::uint32_t seed) {
  seed = mix(seed);
  Canvas canvas(size);
  const double* a = kPalette[seed % 6];
  const double* b = kPalette[(seed / 6 + 1 + seed % 6) % 6];
  gradient(canvas, a, b, 0.55);
  const double n = size;
  // Spotlight rays fanning down from a point above the top edge.
  const double sx = n * (0.2 + 0.6 * ((seed >> 5) % 100) / 100.0), sy = -n * 0.15;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double angle = std::atan2(x + 0.5 - sx, y + 0.5 - sy);
      const double ray = 0.5 + 0.5 * std::cos(angle * 14.0 + seed % 7);
      canvas.blend(x, y, kWhite, std::pow(ray, 6) * 0.18 * (1 - y / n));
    }
  // The record: black vinyl, grooves, a coloured label with its hole.
  const double cx = n * (0.36 + 0.28 * ((seed >> 9) % 100) / 100.0), cy = n * (0.54 + 0.1 * ((seed >> 17) % 10) / 10.0),
               r = n * (0.3 + 0.06 * ((seed >> 21) % 10) / 10.0);
  canvas.disc(cx + n * 0.02, cy + n * 0.03, r, kInk, 0.5);  // its shadow
  const double vinyl[3] = {18, 18, 24};
  canvas.disc(cx, cy, r, vinyl);
  const double groove[3] = {70, 72, 90};
  for (double g = r * 0.42; g < r * 0.96; g += std::max(2.0, n / 60.0)) canvas.disc(cx, cy, g + 0.6, groove, 0.35, g);
  canvas.disc(cx - r * 0.25, cy - r * 0.3, r * 0.55, kWhite, 0.06);  // a sheen
  canvas.disc(cx, cy, r * 0.36, b);
  canvas.disc(cx, cy, r * 0.36, a, 0.45, r * 0.22);
  canvas.disc(cx, cy, r * 0.05, kInk);
  // A note in the upper corner: two heads joined by a beam.
  const double nx = cx > n / 2 ? n * 0.16 : n * 0.7, ny = n * 0.28, h = n * 0.045;
  const double cream[3] = {255, 242, 196};
  canvas.disc(nx, ny, h, cream);
  canvas.disc(nx + n * 0.14, ny - n * 0.03, h, cream);
  for (int y = int(ny - n * 0.2); y < int(ny); ++y)
    for (int x = 0; x < size; ++x) {
      const bool stem1 = std::fabs(x + 0.5 - (nx + h * 0.85)) < n * 0.012;
      const bool stem2 = std::fabs(x + 0.5 - (nx + n * 0.14 + h * 0.85)) < n * 0.012 && y < ny - n * 0.03;
      if (stem1 || stem2) canvas.blend(x, y, cream, 1);
    }
  for (int y = int(ny - n * 0.24); y < int(ny - n * 0.17); ++y)
    for (int x = int(nx + h * 0.85 - n * 0.012); x < int(nx + n * 0.14 + h * 0.85 + n * 0.012); ++x) {
      const double top = ny - n * 0.235 - (x - nx) * 0.2;
      if (y >= top && y < top + n * 0.05) canvas.blend(x, y, cream, 1);
    }
  return canvas.png();
}

std::string drawHead(int size, std::uint32_t seed) {
  seed = mix(seed);
  Canvas canvas(size);
  const double* a = kPalette[seed % 6];
  const double* b = kPalette[(seed / 7 + 2) % 6];
  gradient(canvas, a, b, 0.8);
  const double n = size;
  const double light[3] = {255, 250, 235};
  const double* body = kPalette[(seed / 3 + 4) % 6];
  double dark[3];
  for (int c = 0; c < 3; ++c) dark[c] = body[c] * 0.45;
  // Shoulders: a wide disc cut off by the bottom edge; then the head.
  canvas.disc(n * 0.5, n * 1.02, n * 0.42, dark);
  canvas.disc(n * 0.5, n * 0.42, n * 0.2, light, 0.92);
  canvas.disc(n * 0.5, n * 0.42, n * 0.2, dark, 0.25, n * 0.17);
  // A ring around the whole, as a frame.
  canvas.disc(n * 0.5, n * 0.5, n * 0.5, kWhite, 0.25, n * 0.46);
  return canvas.png();
}

}  // namespace vk::service
