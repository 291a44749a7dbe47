// mkcur PNG HOTX HOTY OUT.cur: wraps a PNG picture as a Windows cursor file (one image, PNG
// payload, with its hot spot), the format of the module's cursor file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {
void put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
         static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: mkcur PNG HOTX HOTY OUT.cur\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  static const uint8_t magic[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (png.size() < 24 || !std::equal(magic, magic + 8, png.begin())) {
    std::fprintf(stderr, "mkcur: %s is not a PNG file\n", argv[1]);
    return 1;
  }
  const uint32_t width = be32(png, 16), height = be32(png, 20);
  if (width == 0 || height == 0 || width > 256 || height > 256) {
    std::fprintf(stderr, "mkcur: a cursor is 1 to 256 pixels wide and high\n");
    return 1;
  }
  std::vector<uint8_t> out;
  put16(out, 0);  // reserved
  put16(out, 2);  // type: cursor
  put16(out, 1);  // one image
  out.push_back(static_cast<uint8_t>(width == 256 ? 0 : width));
  out.push_back(static_cast<uint8_t>(height == 256 ? 0 : height));
  out.push_back(0);  // no palette
  out.push_back(0);
  put16(out, static_cast<unsigned>(std::atoi(argv[2])));  // hot spot x
  put16(out, static_cast<unsigned>(std::atoi(argv[3])));  // hot spot y
  put32(out, static_cast<uint32_t>(png.size()));
  put32(out, 22);  // payload offset
  out.insert(out.end(), png.begin(), png.end());
  std::ofstream file(argv[4], std::ios::binary);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return file ? 0 : 1;
}
