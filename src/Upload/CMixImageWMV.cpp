#include "Upload/CMixImageWMV.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "Upload/UploadItem.h"
#include "app/AppLog.h"
#include "app/ModulePaths.h"
#include "avmedia/AsfWriter.h"
#include "avmedia/ClassFactory.h"
#include "avmedia/FileSources.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"

using namespace avmedia;

const CEGUI::String IMix::EventItemUpdate("ItemUpdate");
const CEGUI::String IMix::EventMixFinished("MixFinished");

namespace {

std::string hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

std::wstring withExtension(const std::wstring& path, const wchar_t* ext) {
  const std::size_t slash = path.find_last_of(L"/\\");
  const std::size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return path + ext;
  return path.substr(0, dot) + ext;
}

}  // namespace

CMixImageWMV::CMixImageWMV(std::wstring voicePcm, std::wstring musicPcm, std::wstring output)
    : voice_(std::move(voicePcm)), music_(std::move(musicPcm)), wav_(withExtension(music_, L".WAV")),
      output_(std::move(output)) {}

CMixImageWMV::~CMixImageWMV() = default;

std::string CMixImageWMV::profilePath() { return moduleDirectoryUtf8() + "/Record/album_chs_HD.prx"; }

std::unique_ptr<CMixImageWMV> CMixImageWMV::forWork(const UploadItem& work) {
  auto job = std::make_unique<CMixImageWMV>(work.VoicePcmFile, work.MusicPcmFile, work.UploadFile);
  job->setMicDelay(work.MicDelay);
  std::shared_ptr<IBaseFilter> reader;
  if (!work.SoundlessVideoFile.empty() && SUCCEEDED(CoCreateInstance(CLSID_WMAsfReader, reader))) {
    if (auto* source = queryInterface<IFileSourceFilter>(reader.get());
        source && SUCCEEDED(source->Load(work.SoundlessVideoFile, nullptr)))
      job->setVideoSource(reader);
    else
      appLog("CMixImageWMV: no silent video for " + oscompat::utf8FromWide(work.UploadFile) +
             "; the work is mixed with its sound only");
  }
  return job;
}

bool CMixImageWMV::fail(const std::string& why) {
  failure_ = why;
  appLogError("CMixImageWMV: " + oscompat::utf8FromWide(output_) + " was not mixed: " + why);
  return false;
}

void CMixImageWMV::postUpdate() {
  Win32AppHelper::postEvent(this, EventItemUpdate, new MixItemEventArgs(this), "");
}

void CMixImageWMV::postFinished() { Win32AppHelper::postEvent(this, EventMixFinished, new CEGUI::EventArgs, ""); }

void CMixImageWMV::removeWav() {
  std::error_code ec;
  std::filesystem::remove(oscompat::utf8FromWide(wav_), ec);
}

void CMixImageWMV::pause() {
  // Wakes early for a cancel and when the engine's mix has ended: the encode need not wait
  // out the poll.
  for (int waited = 0; waited < kPollMs && !cancel_.load() && GetRecMixState() == 1; waited += 5)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

bool CMixImageWMV::run() {
  failure_.clear();
  progress_ = 0.0f;
  if (cancel_) return false;
  const bool ok = mixAudio() && encode();
  removeWav();
  postUpdate();
  return ok;
}

bool CMixImageWMV::mixAudio() {
  const int total = GetRecMixPlayTotalTimeW(voice_.c_str(), music_.c_str());
  if (total < 0) return fail("its recordings are missing");
  if (total == 0) return fail("its recordings are empty");
  // The engine's mix settings are shared: the work's own delay goes in just before its mix.
  SetMixMicDelay(std::clamp(micDelay_, 0, 2000));
  int rc = RecMixSaveW(voice_.c_str(), music_.c_str(), wav_.c_str());
  if (rc != VOKA_OK) return fail("the engine could not mix its recordings (" + std::to_string(rc) + ")");
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  // State 1 is this mix into the file (2 and 3 would be the engine's live playback).
  while (GetRecMixState() == 1) {
    if (cancel_) {
      RecMixStop();  // ends the engine's mix and removes what it wrote
      return false;
    }
    pause();
    progress_ = std::min(0.2f, static_cast<float>(GetRecMixPlayTime()) * 0.2f / static_cast<float>(total));
    postUpdate();
  }
  if (cancel_) return false;
  // The engine removes a WAV it could not write completely (a full disk).
  std::error_code ec;
  if (!std::filesystem::is_regular_file(oscompat::utf8FromWide(wav_), ec))
    return fail("the engine's mix of its recordings did not complete (is the disk full?)");
  progress_ = 0.2f;
  postUpdate();
  return true;
}

bool CMixImageWMV::encode() {
  std::unique_ptr<IGraphBuilder> graph;
  if (FAILED(CoCreateFilterGraph(graph))) return fail("no filter graph");
  std::shared_ptr<IBaseFilter> mux;
  HRESULT hr = CoCreateInstance(CLSID_WMAsfWriter, mux);
  if (FAILED(hr)) return fail("no Windows Media writer (" + hex(hr) + ")");
  if (auto* sink = queryInterface<IFileSinkFilter>(mux.get())) sink->SetFileName(output_);
  if (FAILED(hr = graph->AddFilter(mux, L"Mux"))) return fail("the writer was not added (" + hex(hr) + ")");
  if (auto* config = queryInterface<IConfigAsfWriter>(mux.get())) {
    WMProfile profile;
    std::string error;
    if (SUCCEEDED(LoadProfileFromFile(profilePath(), profile, &error)))
      config->ConfigureFilterUsingProfile(profile);
    else
      appLogError("CMixImageWMV: the profile was not read, the writer keeps its own: " + error);
  }
  IBaseFilter* audio = nullptr;
  if (FAILED(hr = graph->AddSourceFilter(wav_, L"AudioSrc", &audio)))
    return fail("the engine's WAV cannot be read (" + hex(hr) + ")");
  if (FAILED(hr = graph->Connect(audio, mux.get()))) return fail("the sound was not connected (" + hex(hr) + ")");
  if (video_) {
    if (SUCCEEDED(graph->AddFilter(video_, L"VideoSrc"))) graph->Connect(video_.get(), mux.get());
  }
  auto* seeking = queryInterface<IMediaSeeking>(mux.get());
  REFERENCE_TIME duration = 0;
  if (!seeking || FAILED(seeking->GetDuration(&duration)) || duration <= 0) return fail("the recording has no length");
  REFERENCE_TIME start = 0, stop = duration;
  seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_AbsolutePositioning);
  if (FAILED(hr = graph->Run())) return fail("the graph did not run (" + hex(hr) + ")");

  bool complete = false;
  for (;;) {
    long code = 0;
    graph->WaitForCompletion(kPollMs, &code);
    if (code == EC_ERRORABORT) break;
    REFERENCE_TIME position = 0;
    seeking->GetCurrentPosition(&position);
    progress_ = std::min(1.0f, 0.2f + 0.8f * static_cast<float>(static_cast<double>(position) / static_cast<double>(duration)));
    if (code == EC_COMPLETE) {
      complete = true;
      break;
    }
    if (cancel_) break;
    postUpdate();
  }
  hr = graph->Stop();
  if (complete && SUCCEEDED(hr)) {
    progress_ = 1.0f;
    postFinished();
    return true;
  }
  if (cancel_) return false;
  auto* writer = dynamic_cast<AsfWriter*>(mux.get());
  const MuxResult result = writer ? writer->mixResult() : MuxResult{E_FAIL, "no writer", false, 0};
  progress_ = std::min(progress_.load(), 0.99f);
  return fail(result.hr == E_DISK_FULL ? "the disk is full (the partial file is removed)"
                                       : result.error + " (" + hex(result.hr) + ")");
}
