#include "PK/UnfinishedPerformances.h"

#include <cctype>
#include <filesystem>
#include <map>
#include <set>

namespace {
// The endings a performance's base name is followed by.
constexpr const char* kEndings[] = {"music.pcm", "Voice.pcm", "noAudio.WMV", ".WMV", ".WAV", ".lyric"};

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The base name of a performance's file ("20261209213012_100003", maybe with "_2"), or "".
std::string baseNameOf(const std::string& file) {
  if (file.size() < 16 || file[14] != '_') return "";
  for (int i = 0; i < 14; ++i)
    if (!std::isdigit(static_cast<unsigned char>(file[i]))) return "";
  for (const char* ending : kEndings)
    if (endsWith(file, ending) && file.size() > std::string(ending).size() + 15)
      return file.substr(0, file.size() - std::string(ending).size());
  return "";
}
}  // namespace

std::vector<std::string> removeUnfinishedPerformances(const std::string& folder) {
  namespace fs = std::filesystem;
  std::map<std::string, std::vector<fs::path>> byBase;
  std::set<std::string> ended;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (!it->is_regular_file(error)) continue;
    const std::string name = it->path().filename().string();
    const std::string base = baseNameOf(name);
    if (base.empty()) continue;
    if (endsWith(name, ".lyric")) ended.insert(base);
    byBase[base].push_back(it->path());
  }
  std::vector<std::string> removed;
  for (const auto& [base, paths] : byBase) {
    if (ended.count(base)) continue;
    for (const fs::path& p : paths)
      if (fs::remove(p, error)) removed.push_back(p.filename().string());
  }
  return removed;
}
