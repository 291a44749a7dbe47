#pragma once
// Turns decoded pictures into the frames the GUI renderer's textures take (32-bit R G B A,
// bottom row first). A large picture of the stream's own size is converted in two halves at
// once, the lower half on a helper thread the converter keeps, so that a frame costs about half
// the conversion time on a machine with a second core. Pictures of another size are scaled
// back to the stream's size in one piece. One thread at a time calls convert().
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

struct AVFrame;
struct SwsContext;

namespace avmedia {

class RgbaConverter {
 public:
  // Pictures with fewer rows are converted in one piece: the hand-over costs more than it saves.
  static constexpr int kMinSplitRows = 256;

  RgbaConverter() = default;
  ~RgbaConverter();
  RgbaConverter(const RgbaConverter&) = delete;
  RgbaConverter& operator=(const RgbaConverter&) = delete;

  // Converts `frame` into `out` (width x height x 4 bytes, bottom row first). False when the
  // picture's format cannot be converted.
  bool convert(const AVFrame* frame, int width, int height, uint8_t* out);

  // The row where the picture is cut in two, 0 when it is converted in one piece.
  static int splitRow(const AVFrame* frame, int width, int height);

 private:
  struct Half {
    const uint8_t* planes[4] = {};
    int strides[4] = {};
    int rows = 0;
    uint8_t* out = nullptr;
  };
  static bool convertHalf(SwsContext*& scaler, int format, const Half& half, int width);
  void helperLoop();

  SwsContext* whole_ = nullptr;
  SwsContext* upper_ = nullptr;
  SwsContext* lower_ = nullptr;  // used by the helper thread only while a job is out

  std::thread helper_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::condition_variable done_;
  bool stopping_ = false;
  bool jobOut_ = false;
  bool jobOk_ = false;
  int jobFormat_ = 0;
  int jobWidth_ = 0;
  Half job_;
};

}  // namespace avmedia
