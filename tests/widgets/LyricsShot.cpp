// A development picture of the lyrics window over the stage with a demo song's lyrics, read
// from the engine with the song opened, at fixed engine times.
//
//   lyrics-shot SONG OUT-PREFIX SECONDS...
//
// SONG names a compiled demo song (build/songs/SONG.mic); each time gives OUT-PREFIX-N.png.
// Needs a display (Xvfb is enough).
#include <CEGUI/CEGUI.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/SongRecord.h"
#include "engine/CLyricsData.h"
#include "widgets/LyricsWnd.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: lyrics-shot SONG OUT-PREFIX SECONDS...\n");
    return 2;
  }
  setenv("VOKARAN_AUDIO", "null", 1);
  std::ifstream in(std::string(VK_SONGS_DIR) + "/" + argv[1] + ".mic", std::ios::binary);
  std::vector<char> song(std::istreambuf_iterator<char>(in), {});
  if (song.empty() || VokaOpenLyricsFromBuffer(song.data(), static_cast<long long>(song.size())) != VOKA_OK) {
    std::fprintf(stderr, "lyrics-shot: cannot open the song %s\n", argv[1]);
    return 1;
  }
  CLyricsData lyrics;
  lyrics.loadFromEngine(SongRecord{});

  int now = 0;
  vktest::ScratchInstallation install;
  vktest::TestShell shell;
  shell.setHeadless(false);
  CEGUI::LyricsWnd* window = nullptr;
  shell.onInitialise = [&] {
    CEGUI::Window* appRoot = CEGUI::WindowManager::getSingleton().loadLayoutFromFile("PK_AppRoot.layout");
    shell.sheet->addChild(appRoot);
    window = createLyricsWindow(shell.sheet, lyrics, [&] { return now; });
    shell.guiContext().getMouseCursor().hide();
  };
  shell.onCleanup = [&] { destroyLyricsWindow(window); };
  if (!shell.startUp()) return 1;
  for (int i = 3; i < argc; ++i) {
    now = static_cast<int>(std::atof(argv[i]) * 1024000.0);
    for (int frame = 0; frame < 3; ++frame) shell.runFrame();
    const std::string out = std::string(argv[2]) + "-" + std::to_string(i - 2) + ".png";
    shell.requestScreenshot(out);
    shell.runFrame();
    std::printf("%s: %s at %s s\n", out.c_str(), argv[1], argv[i]);
  }
  shell.shutDown();
  VokaClose();
  return 0;
}
