#include "widgets/MelodyLayout.h"

#include <CEGUI/Vector.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace CEGUI {

namespace {

constexpr double kLength = MelodyView::kLength;
constexpr float kPiece = MelodyView::kPieceWidth;

struct Frame {
  Rectf window;
  Rectf noteArea;
  Rectf sung;
  int32_t viewStart = 0;
};

Rectf intersect(const Rectf& a, const Rectf& b) {
  const Rectf r = a.getIntersection(b);
  return r.getWidth() > 0 && r.getHeight() > 0 ? r : Rectf(0, 0, 0, 0);
}

bool isEmpty(const Rectf& r) { return r.getWidth() <= 0 || r.getHeight() <= 0; }

float xAt(const Frame& f, int32_t time) {
  return f.noteArea.left() + static_cast<float>(f.noteArea.getWidth() * (double(time) - f.viewStart) / kLength);
}

// The bar pictures of one drawing pass: the normal ones, or the current ones once the note
// being sung was reached.
struct BarImages {
  MelodyImage left, mid, right, head;
};
constexpr BarImages kNormal{MelodyImage::BarLeft, MelodyImage::BarMid, MelodyImage::BarRight, MelodyImage::Head};
constexpr BarImages kCurrent{MelodyImage::BarLeftCurrent, MelodyImage::BarMidCurrent,
                             MelodyImage::BarRightCurrent, MelodyImage::HeadCurrent};

void push(std::vector<MelodyPiece>& out, MelodyImage image, const Rectf& dest, const Rectf& clip, float alpha) {
  if (isEmpty(clip)) return;
  out.push_back({image, dest, clip, alpha});
}

// One note's bar: the left piece (its first 55 px, or all of a shorter bar) with the head over
// it, the middle stretched between the end pieces, the right piece ending the bar. A bar
// shorter than two end pieces shows the right piece's end only, so its rounded end stays.
void appendBar(std::vector<MelodyPiece>& out, const Frame& f, const MelodyMetrics& m, const MelodyNote& note,
               const BarImages& images, const Rectf& clip, float alpha) {
  const float x = xAt(f, note.begin);
  const float width = xAt(f, note.end) - x;
  if (width <= 0) return;
  const float pitch = static_cast<float>(std::clamp(note.pitch, 0, 100));
  const float centre = f.noteArea.top() + f.noteArea.getHeight() * (1.0f - pitch / 100.0f);
  const float top = centre - m.barHeight / 2;
  const float bottom = top + m.barHeight;

  const Rectf leftClip = intersect(clip, Rectf(x, top, x + std::min(width, kPiece), bottom));
  push(out, images.left, Rectf(x, top, x + kPiece, bottom), leftClip, alpha);
  if (width > 2 * kPiece) {
    const Rectf mid(x + kPiece, top, x + width - kPiece, bottom);
    push(out, images.mid, mid, intersect(clip, mid), alpha);
  }
  if (width > kPiece) {
    push(out, images.right, Rectf(x + width - kPiece, top, x + width, bottom),
         intersect(clip, Rectf(x + kPiece, top, x + width, bottom)), alpha);
  }
  if (m.head.d_width > 0 && m.head.d_height > 0 && !isEmpty(leftClip)) {
    const Rectf head(x, centre - m.head.d_height / 2, x + m.head.d_width, centre + m.head.d_height / 2);
    const Rectf headClip = intersect(
        clip, Rectf(x, std::min(top, head.top()), x + std::min(width, kPiece), std::max(bottom, head.bottom())));
    push(out, images.head, head, headClip, alpha);
  }
}

// The guide note sounding at `time` (part 1 first), as a MIDI note.
std::optional<int> guideAt(const CMelodyNoteData& notes, int32_t time) {
  for (int part = 0; part < CMelodyNoteData::kPartCount; ++part) {
    const std::vector<MelodyNote> at = notes.notesBetween(part, time, time + 1);
    if (at.empty()) continue;
    const int span = notes.high(part) - notes.low(part);
    return notes.low(part) + static_cast<int>(std::lround(at.front().pitch * span / 100.0));
  }
  return std::nullopt;
}

// The sung pitch as a share (0 to 100) of the bars' range; none when it falls outside.
std::optional<double> tracePitch(const CMelodyNoteData& notes, const PitchSample& s) {
  const int low = notes.low(0);
  const int high = notes.high(0);
  if (s.note <= 0 || high <= low) return std::nullopt;
  int note = s.note;
  if (const std::optional<int> guide = guideAt(notes, s.time)) {
    note = foldToOctaveOf(note, *guide);
  } else {
    while (note > high && note - 12 >= low) note -= 12;
    while (note < low && note + 12 <= high) note += 12;
  }
  if (note < low || note > high) return std::nullopt;
  return (note - low) * 100.0 / (high - low);
}

// The singer's pitch over the sung area: a dot per sample, and dots in between where two
// voiced samples follow closely, so the trace reads as a line.
void appendTrace(std::vector<MelodyPiece>& out, const Frame& f, const MelodyMetrics& m, const CMelodyNoteData& notes,
                 int32_t now, const std::vector<PitchSample>& trace) {
  if (m.dotSize <= 0) return;
  // On whole pixels, so every dot samples its picture alike and the dots merge evenly.
  std::vector<Vector2f> centres;
  auto dot = [&](float x, float y) { centres.emplace_back(std::round(x), std::round(y)); };
  auto yAt = [&](double pitch) {
    return f.noteArea.top() + static_cast<float>(f.noteArea.getHeight() * (1.0 - pitch / 100.0));
  };
  bool joinable = false;  // the previous sample was voiced and drawn
  PitchSample last;
  double lastPitch = 0;
  for (const PitchSample& s : trace) {
    if (s.time <= f.viewStart || s.time > now) continue;
    const std::optional<double> pitch = tracePitch(notes, s);
    if (!pitch) {
      joinable = false;
      continue;
    }
    const float x = xAt(f, s.time);
    const float y = yAt(*pitch);
    if (joinable && s.time - last.time <= MelodyView::kTraceGap) {
      const float x0 = xAt(f, last.time);
      const float y0 = yAt(lastPitch);
      const int steps = static_cast<int>(std::max(std::fabs(x - x0), std::fabs(y - y0)));  // a dot a pixel
      for (int i = 1; i < steps; ++i) {
        const float k = static_cast<float>(i) / static_cast<float>(steps);
        dot(x0 + (x - x0) * k, y0 + (y - y0) * k);
      }
    }
    dot(x, y);
    joinable = true;
    last = s;
    lastPitch = *pitch;
  }
  // The cores go over every glow dot, or each dot's glow would cover the core before it.
  for (const auto& [image, size] : {std::pair(MelodyImage::PitchDot, m.dotSize), std::pair(MelodyImage::PitchCore, m.coreSize)}) {
    const float half = size / 2;
    if (half <= 0) continue;
    for (const Vector2f& c : centres)
      push(out, image, Rectf(c.d_x - half, c.d_y - half, c.d_x + half, c.d_y + half), f.sung, 1.0f);
  }
}

}  // namespace

int foldToOctaveOf(int note, int guide) {
  while (note - guide > 6) note -= 12;
  while (guide - note > 6) note += 12;
  return note;
}

std::vector<MelodyPiece> layoutMelody(const CMelodyNoteData& notes, int32_t now, const Sizef& window,
                                      const MelodyMetrics& metrics, const std::vector<PitchSample>& trace) {
  std::vector<MelodyPiece> out;
  if (window.d_width <= 0 || window.d_height <= 0) return out;
  Frame f;
  f.window = Rectf(0, 0, window.d_width, window.d_height);
  f.noteArea = Rectf(0, 0, window.d_width, window.d_height * MelodyView::kNoteAreaShare);
  f.sung = Rectf(0, 0, window.d_width * MelodyView::kNowShare, window.d_height);
  f.viewStart = MelodyView::start(now);

  out.push_back({MelodyImage::Background, f.window, f.window, 1.0f});
  out.push_back({MelodyImage::SangBK, f.sung, f.sung, 1.0f});

  if (metrics.barHeight > 0) {
    // The bars to come, right of the now line. Left of it only the sung bars show, so their
    // translucency lies over the sung area and not over a second bar of another colour.
    const Rectf toCome(f.sung.right(), 0, window.d_width, window.d_height);
    const int32_t viewEnd = f.viewStart + MelodyView::kLength;
    for (int part = 0; part < CMelodyNoteData::kPartCount; ++part)
      for (const MelodyNote& note : notes.notesBetween(part, f.viewStart, viewEnd))
        appendBar(out, f, metrics, note, kNormal, toCome, 1.0f);

    // Once the note being sung is reached, it and every sung bar after it (the other part's
    // too) take the current pictures.
    bool current = false;
    for (int part = 0; part < CMelodyNoteData::kPartCount; ++part) {
      const std::vector<MelodyNote> sounding = notes.notesBetween(part, now, now + 1);
      for (const MelodyNote& note : notes.notesBetween(part, f.viewStart, now)) {
        if (!sounding.empty() && note.begin == sounding.front().begin) current = true;
        appendBar(out, f, metrics, note, current ? kCurrent : kNormal, f.sung, MelodyView::kSungAlpha);
      }
    }
  }

  appendTrace(out, f, metrics, notes, now, trace);

  if (metrics.markerWidth > 0) {
    const float x = f.sung.right();
    out.push_back({MelodyImage::SangMarker, Rectf(x - metrics.markerWidth / 2, 0, x + metrics.markerWidth / 2, window.d_height),
                   f.window, 1.0f});
  }
  return out;
}

}  // namespace CEGUI
