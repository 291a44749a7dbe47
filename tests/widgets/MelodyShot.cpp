// A development picture of the melody window over the stage with a demo song's notes at a
// fixed song time, and a sung pitch trace of the last second that follows the melody (with a
// small wobble, an octave down when asked):
//
//   melody-shot OUT.png SONG SECONDS [low]
//
// SONG is a compiled demo song's name (build/songs/SONG.mic). Needs a display (Xvfb is enough).
#include <CEGUI/CEGUI.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "engine/CMelodyNoteData.h"
#include "widgets/MelodyWnd.h"

namespace {

// The MIDI note of part 1 sounding at `time`, 0 between notes.
int guideNote(const EngineMelodyRecords& records, int32_t time) {
  const EngineMelodyPart& part = records.parts[0];
  for (int i = 0; i < part.noteCount; ++i)
    if (part.notes[i].begin <= time && time < part.notes[i].end) return part.notes[i].note;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: melody-shot OUT.png SONG SECONDS [low]\n");
    return 2;
  }
  const std::string out = argv[1];
  const int32_t now = static_cast<int32_t>(std::atof(argv[3]) * 1024000);
  const bool octaveDown = argc > 4 && std::string(argv[4]) == "low";

  setenv("VOKARAN_AUDIO", "null", 1);
  std::ifstream in(std::string(VK_SONGS_DIR) + "/" + argv[2] + ".mic", std::ios::binary);
  std::vector<char> song(std::istreambuf_iterator<char>(in), {});
  if (song.empty() || VokaOpenLyricsFromBuffer(song.data(), static_cast<long long>(song.size())) != VOKA_OK) {
    std::fprintf(stderr, "melody-shot: cannot open the song %s\n", argv[2]);
    return 1;
  }
  const EngineMelodyRecords records = readEngineMelodyRecords();
  CMelodyNoteData notes;
  notes.load(records);
  for (int part = 0; part < 2; ++part) {
    const std::vector<MelodyNote>& list = notes.notes(part);
    if (!list.empty())
      std::printf("part %d: %zu notes from %.2f s to %.2f s\n", part + 1, list.size(), list.front().begin / 1024000.0,
                  list.back().end / 1024000.0);
  }

  vktest::ScratchInstallation install;
  vktest::TestShell shell;
  shell.setHeadless(false);
  CEGUI::MelodyWnd* wnd = nullptr;
  int sung = 0;
  shell.onInitialise = [&] {
    shell.sheet->addChild(CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_AppRoot.layout"));
    wnd = CEGUI::createMelodyWindow(shell.sheet, notes, [now] { return now; }, [&] { return sung; });
    shell.guiContext().getMouseCursor().hide();
  };
  shell.onCleanup = [&] { CEGUI::destroyMelodyWindow(wnd); };
  if (!shell.startUp() || !wnd) return 1;

  // The last second as the singer sang it, one sample per poll.
  for (int32_t t = now - 1024000; t < now; t += 51200) {
    const int guide = guideNote(records, t);
    sung = guide ? guide + static_cast<int>(std::lround(0.6 * std::sin(t / 90000.0))) - (octaveDown ? 12 : 0) : 0;
    wnd->updateTime(t);
  }
  // The final time the way a performance gets it: the poller reads the time source.
  wnd->start();
  shell.pumpUntil([&] { return wnd->time() == now; });
  wnd->stop();

  for (int frame = 0; frame < 3; ++frame) shell.runFrame();
  shell.requestScreenshot(out);
  shell.runFrame();
  shell.shutDown();
  VokaClose();
  return 0;
}
