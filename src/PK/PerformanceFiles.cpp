#include "PK/PerformanceFiles.h"

#include <cwchar>

#include "app/ModulePaths.h"
#include "app/SafeFileName.h"

namespace {
std::wstring format(const wchar_t* pattern, int a, int b, int c, int d, int e, int f = 0) {
  wchar_t text[64];
  std::swprintf(text, 64, pattern, a, b, c, d, e, f);
  return text;
}

void fill(PerformanceFiles& files, const std::wstring& folder) {
  const std::wstring w = folder + L"/" + files.baseName;
  files.videoPath = w + L".WMV";
  files.lyricPath = w + L".lyric";
  files.musicPath = w + L"music.pcm";
  files.voicePath = w + L"Voice.pcm";
  files.silentVideoPath = w + L"noAudio.WMV";
  files.wavePath = w + L".WAV";
}

bool anyExists(const PerformanceFiles& f, const std::function<bool(const std::wstring&)>& exists) {
  for (const std::wstring* p : {&f.videoPath, &f.lyricPath, &f.musicPath, &f.voicePath, &f.silentVideoPath, &f.wavePath})
    if (exists(*p)) return true;
  return false;
}
}  // namespace

std::wstring defaultMusicVideoPath() { return moduleDirectory() + L"/PKData/Video/MV/Default.wmv"; }

PerformanceFiles makePerformanceFiles(const std::wstring& folder, const std::wstring& songId,
                                      const std::tm& when,
                                      const std::function<bool(const std::wstring&)>& exists) {
  PerformanceFiles files;
  const int year = when.tm_year + 1900, month = when.tm_mon + 1;
  files.dateText = format(L"%04d/%02d/%02d %02d:%02d", year, month, when.tm_mday, when.tm_hour, when.tm_min);
  const std::wstring stamp = format(L"%04d%02d%02d%02d%02d%02d", year, month, when.tm_mday, when.tm_hour,
                                    when.tm_min, when.tm_sec);
  // The identifier comes from the service: it must not lead the names out of the folder.
  const std::wstring base = stamp + L"_" + safeFileNameComponent(songId);
  files.baseName = base;
  fill(files, folder);
  for (int n = 2; anyExists(files, exists) && n < 1000; ++n) {
    files.baseName = base + L"_" + std::to_wstring(n);
    fill(files, folder);
  }
  files.defaultVideoPath = defaultMusicVideoPath();
  return files;
}
