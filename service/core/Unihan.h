// Pinyin initials and stroke counts of Chinese characters, read from Unicode's Unihan data
// (kMandarin in Unihan_Readings, kTotalStrokes in Unihan_IRGSources; bzip2-compressed as
// Debian's unicode-data ships them).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vk::service {

class Unihan {
 public:
  // Reads both files from `folder`; throws std::runtime_error naming the file and the call
  // that failed.
  static Unihan load(const std::filesystem::path& folder);

  // An empty table, filled by tests.
  Unihan() = default;
  void add(char32_t character, char initial, int strokes);

  // 'A'..'Z' for a character with a Mandarin reading, 0 otherwise.
  char initial(char32_t character) const;
  // The first (simplified) total stroke count, 0 when unknown.
  int strokes(char32_t character) const;

  // The search key of a name: per character its pinyin initial, an ASCII letter upper-cased
  // or a digit as it stands; everything else is skipped.
  std::string initials(std::string_view utf8Name) const;

  std::size_t size() const { return table_.size(); }

 private:
  struct Entry {
    char initial = 0;
    unsigned char strokes = 0;
  };
  std::unordered_map<char32_t, Entry> table_;
};

// The letter a pinyin reading starts with, tone marks removed ("ài" gives 'A'); 0 if none.
char pinyinInitial(std::string_view utf8Reading);

}  // namespace vk::service
