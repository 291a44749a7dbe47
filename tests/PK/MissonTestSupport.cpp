#include "MissonTestSupport.h"

#include <cstdlib>

#include "TestSupport.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"

namespace vktest {

RecordingMisson::RecordingMisson(const std::wstring& songId, std::shared_ptr<std::vector<std::string>> log,
                                 int type)
    : CBaseMisson(songRecord(songId)), log_(std::move(log)), type_(type) {}

void RecordingMisson::note(const char* call) { log_->push_back(oscompat::utf8FromWide(songId()) + ":" + call); }

int RecordingMisson::Prepare() {
  state = Prepared;
  note("Prepare");
  return 0;
}
int RecordingMisson::Play() {
  state = Playing;
  note("Play");
  return 0;
}
int RecordingMisson::End() {
  state = Idle;
  note("End");
  return 0;
}
int RecordingMisson::Pause() {
  state = Paused;
  note("Pause");
  return 0;
}
int RecordingMisson::Resume() {
  note("Resume");
  return 0;
}
CBaseMisson* RecordingMisson::Clone() const {
  auto* copy = new RecordingMisson(songId(), log_, type_);
  copy->copyIdentityFrom(*this);
  return copy;
}

SongRecord songRecord(const std::wstring& songId, const std::wstring& name) {
  SongRecord r;
  r.SongID = songId;
  r.SongName = name.empty() ? L"歌 " + songId : name;
  r.SingerName = L"歌手";
  return r;
}

OpenEngine::OpenEngine(const char* audio, const std::string& voice) {
  ::setenv("VOKARAN_AUDIO", audio, 1);
  if (voice.empty()) ::unsetenv("VOKARAN_AUDIO_IN");
  else ::setenv("VOKARAN_AUDIO_IN", voice.c_str(), 1);
  ::setenv("VOKARAN_AUDIO_PACE", "fast", 1);
  ok = VokaOpenW(oscompat::wideFromUtf8(std::string(VK_DIST_DIR) + "/PKData/RadeZuz76e.sdc").c_str()) == 0;
}

void OpenEngine::quiet() {
  VokaSetCBFun(nullptr);
  VokaSetPK_WordEnd_CBFun(nullptr);
  VokaSetPK_LineEnd_CBFun(nullptr);
  VokaSetPK_MIC_CBFun(nullptr);
  VokaStop();
  MicIn_Stop();
}

OpenEngine::~OpenEngine() {
  quiet();
  VokaClose();
  ::unsetenv("VOKARAN_AUDIO_PACE");
  ::unsetenv("VOKARAN_AUDIO_IN");
}

std::shared_ptr<const MicFileBytes> songBytes(const std::string& name) {
  const std::string bytes = readFile(std::string(VK_SONGS_DIR) + "/" + name + ".mic");
  return std::make_shared<const MicFileBytes>(bytes.begin(), bytes.end());
}

}  // namespace vktest
