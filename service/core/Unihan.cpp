#include "Unihan.h"

#include <bzlib.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "netwire/Utf8.h"

namespace vk::service {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
struct BzReadCloser {
  void operator()(BZFILE* file) const {
    int error = BZ_OK;
    BZ2_bzReadClose(&error, file);
  }
};

// Calls `onLine` for every line of a bzip2-compressed text file.
template <class OnLine>
void forEachLine(const std::filesystem::path& path, OnLine onLine) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) throw std::runtime_error("fopen(" + path.string() + ") failed");
  int error = BZ_OK;
  std::unique_ptr<BZFILE, BzReadCloser> bz(BZ2_bzReadOpen(&error, file.get(), 0, 0, nullptr, 0));
  if (error != BZ_OK) throw std::runtime_error("BZ2_bzReadOpen(" + path.string() + ") failed");
  std::string pending;
  std::string chunk(1 << 16, '\0');
  for (;;) {
    int n = BZ2_bzRead(&error, bz.get(), chunk.data(), static_cast<int>(chunk.size()));
    if (error != BZ_OK && error != BZ_STREAM_END)
      throw std::runtime_error("BZ2_bzRead(" + path.string() + ") failed with " + std::to_string(error));
    pending.append(chunk.data(), static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
      onLine(std::string_view(pending).substr(start, end - start));
    pending.erase(0, start);
    if (error == BZ_STREAM_END) break;
  }
  if (!pending.empty()) onLine(std::string_view(pending));
}

// "U+4E2D\tkMandarin\tzhōng" → code point, field name, value.
bool splitLine(std::string_view line, char32_t& cp, std::string_view& field, std::string_view& value) {
  if (line.size() < 4 || line[0] != 'U' || line[1] != '+') return false;
  auto tab1 = line.find('\t');
  if (tab1 == std::string_view::npos) return false;
  auto tab2 = line.find('\t', tab1 + 1);
  if (tab2 == std::string_view::npos) return false;
  cp = static_cast<char32_t>(std::stoul(std::string(line.substr(2, tab1 - 2)), nullptr, 16));
  field = line.substr(tab1 + 1, tab2 - tab1 - 1);
  value = line.substr(tab2 + 1);
  return true;
}

}  // namespace

char pinyinInitial(std::string_view utf8Reading) {
  auto text = wire::decodeUtf8(utf8Reading);
  if (text.empty()) return 0;
  char32_t c = text[0];
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c);
  // A reading starting with a toned vowel or a syllabic nasal.
  static const std::u32string a = U"āáǎàÀÁ", e = U"ēéěèêếềÊ", o = U"ōóǒòÒÓ", i = U"īíǐì",
                              u = U"ūúǔùüǖǘǚǜ", n = U"ńňǹ", m = U"ḿ";
  if (a.find(c) != std::u32string::npos) return 'A';
  if (e.find(c) != std::u32string::npos) return 'E';
  if (o.find(c) != std::u32string::npos) return 'O';
  if (i.find(c) != std::u32string::npos) return 'I';
  if (u.find(c) != std::u32string::npos) return 'U';
  if (n.find(c) != std::u32string::npos) return 'N';
  if (m.find(c) != std::u32string::npos) return 'M';
  return 0;
}

Unihan Unihan::load(const std::filesystem::path& folder) {
  Unihan unihan;
  char32_t cp = 0;
  std::string_view field, value;
  forEachLine(folder / "Unihan_Readings.txt.bz2", [&](std::string_view line) {
    if (!splitLine(line, cp, field, value) || field != "kMandarin") return;
    // The first reading is the most common one.
    auto space = value.find(' ');
    char initial = pinyinInitial(value.substr(0, space));
    if (initial) unihan.table_[cp].initial = initial;
  });
  forEachLine(folder / "Unihan_IRGSources.txt.bz2", [&](std::string_view line) {
    if (!splitLine(line, cp, field, value) || field != "kTotalStrokes") return;
    // "8 9": the first count is the simplified form's.
    int strokes = 0;
    for (char c : value) {
      if (c < '0' || c > '9') break;
      strokes = strokes * 10 + (c - '0');
    }
    if (strokes > 0 && strokes < 256) unihan.table_[cp].strokes = static_cast<unsigned char>(strokes);
  });
  if (unihan.table_.empty())
    throw std::runtime_error("no Unihan readings found in " + folder.string());
  return unihan;
}

void Unihan::add(char32_t character, char initial, int strokes) {
  table_[character] = Entry{initial, static_cast<unsigned char>(strokes)};
}

char Unihan::initial(char32_t character) const {
  auto it = table_.find(character);
  return it == table_.end() ? 0 : it->second.initial;
}

int Unihan::strokes(char32_t character) const {
  auto it = table_.find(character);
  return it == table_.end() ? 0 : it->second.strokes;
}

std::string Unihan::initials(std::string_view utf8Name) const {
  std::string out;
  for (char32_t c : wire::decodeUtf8(utf8Name)) {
    if (c >= '0' && c <= '9') {
      out += static_cast<char>(c);
    } else if (c >= 'a' && c <= 'z') {
      out += static_cast<char>(c - 'a' + 'A');
    } else if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c);
    } else if (char i = initial(c)) {
      out += i;
    }
  }
  return out;
}

}  // namespace vk::service
