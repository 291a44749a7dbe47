#pragma once
// What the melody window draws at one moment of the song, as plain geometry: which picture goes
// where, clipped to what, how opaque. The window's renderer only turns the pieces into image
// draws, so everything about where a bar lies is computed (and tested) here. Any thread: the
// functions only read their arguments.
#include <CEGUI/Rect.h>
#include <CEGUI/Size.h>

#include <cstdint>
#include <vector>

#include "engine/CMelodyNoteData.h"

namespace CEGUI {

// The pictures the window draws, one role each.
enum class MelodyImage {
  Background,
  SangBK,           // the sung area, left of the now line
  SangMarker,       // the now line
  BarLeft,          // a bar's first 55 px, with its rounded start
  BarMid,           // stretched between the end pieces
  BarRight,         // a bar's last 55 px, with its rounded end
  BarLeftCurrent,   // the same for the note being sung and the sung bars after it
  BarMidCurrent,
  BarRightCurrent,
  Head,             // the dot at a bar's start
  HeadCurrent,
  PitchDot,         // the singer's pitch trace: a glow dot a pixel along it,
  PitchCore,        // and over all of them a core dot a pixel
  Count
};

struct MelodyPiece {
  MelodyImage image = MelodyImage::Background;
  Rectf dest;  // window pixels
  Rectf clip;  // window pixels; the piece shows only inside it
  float alpha = 1.0f;
};

// The sizes of the pictures the geometry depends on, in pixels. A zero size means the picture
// is not there: with no bar height no bars are laid out at all.
struct MelodyMetrics {
  float barHeight = 0;  // the middle bar piece's height
  Sizef head;
  float markerWidth = 0;
  float dotSize = 0;   // the trace's glow dot; 0: no trace
  float coreSize = 0;
};

// One reading of the singer's pitch: the engine time it was taken at and the sung MIDI note,
// 0 when no voice was heard.
struct PitchSample {
  int32_t time = 0;
  int note = 0;
};

struct MelodyView {
  static constexpr int32_t kLength = 5120000;     // engine time shown across the window (5 s)
  static constexpr float kNowShare = 0.2f;        // the now line, as a share of the width
  static constexpr float kNoteAreaShare = 0.96f;  // the notes' area, the top of the window
  static constexpr float kPieceWidth = 55.0f;     // the bar end pieces
  static constexpr float kSungAlpha = 0.7f;
  static constexpr int32_t kTraceLength = 1024000;  // the pitch trace keeps the last second
  static constexpr int32_t kTraceGap = 204800;      // samples further apart (200 ms) are not joined

  // The engine time at the window's left edge when `now` is at the now line.
  static int32_t start(int32_t now) { return now - static_cast<int32_t>(kNowShare * kLength); }
};

// Everything the window draws at engine time `now`, in drawing order: background, sung-area
// background, the bars of both parts right of the now line, the sung bars over the sung area
// (alpha 0.7, the note being sung and every sung bar after it with the current pictures), the
// pitch trace and the now line. `trace` holds the pitch samples in time order.
std::vector<MelodyPiece> layoutMelody(const CMelodyNoteData& notes, int32_t now, const Sizef& window,
                                      const MelodyMetrics& metrics,
                                      const std::vector<PitchSample>& trace = {});

// A sung MIDI note brought into the octave of `guide` (the nearest one), as scoring compares
// them: a man singing a woman's part an octave down follows the same line.
int foldToOctaveOf(int note, int guide);

}  // namespace CEGUI
