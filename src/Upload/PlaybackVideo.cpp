#include "Upload/CPKPlaybackWnd.h"

// Until the video player is part of the program the window shows no picture; the sound plays.
std::unique_ptr<IPlaybackVideo> makePlaybackVideo(CEGUI::Window*) { return nullptr; }
