#pragma once
// Helpers of the sing queue's tests: a mission that records the calls it gets, the engine
// opened on a device of the test's choice, song files of the build.
#include <memory>
#include <string>
#include <vector>

#include "PK/CBaseMisson.h"
#include "engine/CTaskMicDown.h"

namespace vktest {

// Stands in for a performance: writes every call into the shared log as "<song id>:<call>".
class RecordingMisson : public CBaseMisson {
 public:
  RecordingMisson(const std::wstring& songId, std::shared_ptr<std::vector<std::string>> log, int type = 3);
  int Prepare() override;
  int Play() override;
  int End() override;
  int Pause() override;
  int Resume() override;
  int GetType() const override { return type_; }
  CBaseMisson* Clone() const override;

 private:
  void note(const char* call);
  std::shared_ptr<std::vector<std::string>> log_;
  int type_;
};

SongRecord songRecord(const std::wstring& songId, const std::wstring& name = L"");

// The engine with the installation's data file, on the device named by `audio` ("null", or
// "file" with fast pacing: songs end within a second or two; its microphone hears `voice`, a
// WAV file, or silence). Closed at destruction.
class OpenEngine {
 public:
  explicit OpenEngine(const char* audio = "null", const std::string& voice = "");
  ~OpenEngine();
  // No callback of a song still playing reaches the GUI any more: call it before the GUI
  // goes, or its events would be delivered in the next test's.
  void quiet();
  bool ok = false;
};

// The bytes of a compiled demo song.
std::shared_ptr<const MicFileBytes> songBytes(const std::string& name = "xiaoxingxing");

}  // namespace vktest
