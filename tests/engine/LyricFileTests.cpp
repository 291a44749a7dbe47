// The ".lyric" file read back through the program's XML reader, and saving where it cannot
// be written.
#include <CEGUI/XMLAttributes.h>
#include <CEGUI/XMLHandler.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

#include "AppSet/SetXml.h"
#include "LyricRecords.h"
#include "TestSupport.h"
#include "app/SongRecord.h"
#include "app/TextConvert.h"
#include "engine/CLyricsData.h"
#include "oscompat/Log.h"

namespace fs = std::filesystem;

namespace {

using Attrs = std::map<std::string, std::wstring>;

// The document as a list of elements: depth, name and attributes, in document order.
struct Element {
  int depth;
  std::string name;
  Attrs attrs;
};
class ElementList : public CEGUI::XMLHandler {
 public:
  std::vector<Element> elements;
  void elementStart(const CEGUI::String& name, const CEGUI::XMLAttributes& attributes) override {
    Element e{depth_++, name.c_str(), {}};
    for (size_t i = 0; i < attributes.getCount(); ++i)
      e.attrs[attributes.getName(i).c_str()] = wideFromGui(attributes.getValue(i));
    elements.push_back(e);
  }
  void elementEnd(const CEGUI::String&) override { --depth_; }
  const CEGUI::String& getDefaultResourceGroup() const override { return group_; }

 private:
  int depth_ = 0;
  CEGUI::String group_;
};

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class LyricFile : public ::testing::Test {
 protected:
  void SetUp() override {
    lyrictest::PartRecords p1, p2;
    p1.line(u"晴朗 <天空> & \"云\"", 1, 100, 400).word(0, 200, 300, u"朗", u"lang", 1);
    p1.line(u"第二行", 2, 500, 900, true);
    p1.countIns = {{100, 4, 0}};
    SongRecord song;
    song.SongName = L"欢乐颂";
    song.SingerName = L"合唱曲";
    data.load(lyrictest::records(p1, p2), song);  // two male parts
  }
  vktest::TempDir dir;
  CLyricsData data;
};

// Catches elements or attributes missing, misnamed or misplaced, colours in another format,
// and texts that do not survive escaping.
TEST_F(LyricFile, DocumentHoldsNamesColoursPartsRowsLinesWordsAndCountIns) {
  const std::string path = dir.file("song.lyric");
  ASSERT_TRUE(data.save(wide(path)));
  EXPECT_NE(vktest::readFile(path).find("\n    <LyricsColor "), std::string::npos);  // indent 4
  ElementList list;
  ASSERT_TRUE(readSettingsXml(list, path, XmlReadOptions{.via = XmlReadVia::StandAlone}));
  const auto colour = [](const wchar_t* name, const wchar_t* sangIn) {
    return Attrs{{"Name", name}, {"ClrsingBor", L"FF000000"}, {"ClrsingIn", L"FFFFFFFF"},
                 {"ClrsangBor", L"FFFFFFFF"}, {"ClrsangIn", sangIn}};
  };
  const std::vector<std::pair<int, std::string>> shape = {
      {0, "LyricsData"},      {1, "LyricsColor"},     {1, "LyricsColor"},
      {1, "LyricsColor"},     {1, "LyricsColor"},     {1, "Lyrics"},
      {2, "Channel"},         {3, "LyricsTracks"},    {4, "LyricsScanTrack"},
      {2, "Channel"},         {3, "LyricsTracks"},    {2, "PlayCount"},
      {1, "Lyrics"},          {2, "Channel"},         {2, "Channel"}};
  std::vector<std::pair<int, std::string>> got;
  for (const Element& e : list.elements) got.emplace_back(e.depth, e.name);
  ASSERT_EQ(got, shape);
  const auto& e = list.elements;
  EXPECT_EQ(e[0].attrs, (Attrs{{"SongName", L"欢乐颂"}, {"SingerName", L"合唱曲"}}));
  EXPECT_EQ(e[1].attrs, colour(L"Chorus", L"FF00A000"));
  EXPECT_EQ(e[2].attrs, colour(L"Def", L"FF4000FF"));
  EXPECT_EQ(e[3].attrs, colour(L"FMail", L"FF8000FF"));
  EXPECT_EQ(e[4].attrs, colour(L"Mail", L"FF4000FF"));
  EXPECT_EQ(e[5].attrs, (Attrs{{"Index", L"0"}, {"ColorType", L"Mail"}}));
  EXPECT_EQ(e[7].attrs, (Attrs{{"Txt", L"晴朗 <天空> & \"云\""}, {"TmBegin", L"100"},
                               {"TmEnd", L"400"}, {"ColorType", L""}}));
  EXPECT_EQ(e[8].attrs, (Attrs{{"Txt", L"朗"}, {"TmBegin", L"200"}, {"TmEnd", L"300"}}));
  EXPECT_EQ(e[10].attrs.at("ColorType"), L"Chorus");
  EXPECT_EQ(e[11].attrs, (Attrs{{"BeatCount", L"4"}, {"TmEnd", L"100"}}));
  EXPECT_EQ(e[12].attrs, (Attrs{{"Index", L"1"}, {"ColorType", L"FMail"}}));
}

// Catches a failed save reported as success, or one that leaves a partial or temporary file
// behind or damages what was there.
TEST_F(LyricFile, UnwritablePlaceFailsWithOneLogLineAndLeavesNothingBehind) {
  std::vector<std::string> lines;
  oscompat::setLogSink([&](oscompat::LogLevel, const std::string& line) { lines.push_back(line); });
  vktest::writeFile(dir.file("file"), "old");
  EXPECT_FALSE(data.save(wide(dir.file("file/song.lyric"))));  // a file where a folder should be
  fs::create_directory(dir.file("taken.lyric"));
  EXPECT_FALSE(data.save(wide(dir.file("taken.lyric"))));  // a folder where the file should be
  oscompat::setLogSink(nullptr);

  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("lyrics: " + dir.file("file/song.lyric") + " not saved: ", 0), 0u);
  EXPECT_EQ(lines[1].rfind("lyrics: " + dir.file("taken.lyric") + " not saved: ", 0), 0u);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.path()))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"file", "taken.lyric"}));
  EXPECT_TRUE(fs::is_empty(dir.file("taken.lyric")));
  EXPECT_EQ(vktest::readFile(dir.file("file")), "old");
}

}  // namespace
