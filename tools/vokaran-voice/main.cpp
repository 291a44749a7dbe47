// vokaran-voice: a synthetic singer for a song. Writes a mono WAV of a voice that sings the
// song from its start, to feed the engine's file device as the microphone (VOKARAN_AUDIO_IN):
// the singing screen can then be watched and measured without anybody singing. By default it
// sings what is scored, as a contestant follows the lyrics shown: part 1, and part 2 where it
// sings alone (a duet's verse, a round's entries), swelling over each line as singers do.
// With --part it sings that part's guide melody alone, at one level.
//
//   vokaran-voice SONG.mic OUT.wav [--part 1|2] [--transpose SEMITONES] [--late SECONDS]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/Wav.h"
#include "scoring/ScoreModel.h"
#include "song/SongFile.h"
#include "voice/SyntheticVoice.h"

namespace {
constexpr double kTicksPerSecond = 1024000.0;
constexpr int kRate = 44100;
constexpr double kPhraseDb = 4;  // the swell over a line, as the fairness benchmark's singers sing

int usage() {
  std::fprintf(stderr, "usage: vokaran-voice SONG.mic OUT.wav [--part 1|2] [--transpose SEMITONES] [--late SECONDS]\n");
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  int part = 0;  // 0: what is scored
  vokaran::VoiceStyle style;
  style.snrDb = 30;
  for (int i = 3; i < argc; i += 2) {
    const std::string flag = argv[i];
    if (i + 1 >= argc) return usage();
    const char* value = argv[i + 1];
    if (flag == "--part") part = std::atoi(value);
    else if (flag == "--transpose") style.transpose = std::atof(value);
    else if (flag == "--late") style.late = std::atof(value);
    else return usage();
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    std::fprintf(stderr, "vokaran-voice: %s cannot be read\n", argv[1]);
    return 1;
  }
  const vokaran::SongParseResult parsed = vokaran::parseSongFile(bytes);
  if (!parsed.song) {
    std::fprintf(stderr, "vokaran-voice: %s is not a song file (%s)\n", argv[1], parsed.message.c_str());
    return 1;
  }
  std::vector<vokaran::SungNote> notes;
  if (part == 0) {
    const auto scored = vokaran::buildScoreSong(*parsed.song);
    std::vector<double> lineStarts(scored->lines.size(), 1e300);
    for (const auto& w : scored->words) {
      for (int i = 0; i < w.noteCount; ++i) {
        const vokaran::ScoreNote& n = scored->notes[std::size_t(w.firstNote + i)];
        if (n.end > n.begin) notes.push_back({n.begin, n.end, double(n.note)});
      }
      lineStarts[std::size_t(w.line)] = std::min(lineStarts[std::size_t(w.line)], w.begin);
    }
    std::stable_sort(notes.begin(), notes.end(), [](const auto& a, const auto& b) { return a.begin < b.begin; });
    style.phraseDb = kPhraseDb;
    style.phraseStarts = lineStarts;
  } else {
    const vokaran::SongPart* sung = parsed.song->part(part);
    if (!sung) {
      std::fprintf(stderr, "vokaran-voice: %s has no part %d\n", argv[1], part);
      return 1;
    }
    for (const auto& n : sung->notes)
      if (n.end > n.begin) notes.push_back({n.begin / kTicksPerSecond, n.end / kTicksPerSecond, double(n.note)});
  }
  const vokaran::SyntheticVoice voice = vokaran::singVoice(notes, parsed.song->songEnd / kTicksPerSecond + 1, style, kRate);
  std::vector<std::int16_t> pcm(voice.samples.size());
  for (std::size_t i = 0; i < pcm.size(); ++i)
    pcm[i] = static_cast<std::int16_t>(std::lrint(std::clamp(voice.samples[i], -1.0f, 1.0f) * 32767.0f));
  vokaran::WavWriter wav;
  std::string error;
  if (!wav.open(argv[2], kRate, 1, error) || !wav.write(pcm.data(), pcm.size()) || !wav.close(error)) {
    std::fprintf(stderr, "vokaran-voice: %s not written: %s\n", argv[2], error.c_str());
    return 1;
  }
  const std::string what = part == 0 ? "the scored words" : "part " + std::to_string(part);
  std::printf("%s: %zu notes of %s, %.1f s\n", argv[2], notes.size(), what.c_str(), voice.samples.size() / double(kRate));
  return 0;
}
