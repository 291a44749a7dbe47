// Development: VOKARAN_SINGING_PREVIEW=SONG.mic sings a local song file as a contest song, over
// and over, so the singing screen can be seen and measured without the contest flow. Feed a
// voice through the engine's file device (VOKARAN_AUDIO=file VOKARAN_AUDIO_IN=voice.wav, made
// by vokaran-voice): the device's input starts again with every song. With
// VOKARAN_SINGING_PREVIEW_HIDE=1 the singing windows are hidden (their cost is then missing
// from the frame statistics).
#include <CEGUI/CEGUI.h>

#include <cstdlib>
#include <string>

#include "PK/CMissonManager.h"
#include "PK/CMissonPk.h"
#include "app/AppLog.h"
#include "app/VokaranPlayerApp.h"
#include "app/WindowPath.h"
#include "engine/CCacheMicData.h"
#include "oscompat/AtomicFile.h"
#include "vokaran/Vokaran.h"

namespace {
const wchar_t* const kPreviewSongId = L"preview";

bool envSet(const char* name) {
  const char* v = std::getenv(name);
  return v && *v && std::string(v) != "0";
}
}  // namespace

// Start-up thread: the file is read before the GUI needs it.
void VokaranPlayerApp::readSingingPreview() {
  const char* path = std::getenv("VOKARAN_SINGING_PREVIEW");
  if (!path || !*path) return;
  std::string bytes, error;
  if (!oscompat::readWholeFile(path, bytes, &error)) {
    appLogError(std::string("singing preview: ") + path + " cannot be read: " + error);
    return;
  }
  previewSong_ = std::make_shared<const MicFileBytes>(bytes.begin(), bytes.end());
}

void VokaranPlayerApp::queueSingingPreview() {
  if (!previewSong_ || !missons_) return;
  missons_->cache().Preload(kPreviewSongId, previewSong_);
  SongRecord song;
  song.SongID = kPreviewSongId;
  song.SongName = L"演唱预览";
  auto* preview = new CMissonPk(song);
  preview->paid = false;  // a local file sung for a look at the screen costs nothing
  missons_->Add(preview);
}

bool VokaranPlayerApp::singingPreviewActive() const { return previewSong_ != nullptr; }

// Song start: a voice from a file (the engine's file device with an input file, a synthetic
// singer of one song) starts again with every song, as a singer would.
void VokaranPlayerApp::previewSongStarting() {
  const char* device = std::getenv("VOKARAN_AUDIO");
  const bool fileVoice = device && std::string(device) == "file" && envSet("VOKARAN_AUDIO_IN");
  if (singingPreviewActive() || fileVoice) VokaSetAudioInID(-1);
}

void VokaranPlayerApp::previewSongStarted() {
  if (!singingPreviewActive() || !envSet("VOKARAN_SINGING_PREVIEW_HIDE")) return;
  for (const char* name : {"Root/WndLyricsPK", "Root/WndMelody", "GradeModuleWnd"})
    if (CEGUI::Window* w = findWindow(name)) w->hide();
}

void VokaranPlayerApp::previewSongEnded() {
  if (singingPreviewActive() && missons_ && !missons_->current() && missons_->waitingCount() == 0)
    queueSingingPreview();
}
