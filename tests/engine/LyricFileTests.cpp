// The ".lyric" file: its document read back through the program's XML reader, and saving
// where it cannot be written.
#include <CEGUI/XMLAttributes.h>
#include <CEGUI/XMLHandler.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "AppSet/SetXml.h"
#include "LyricRecords.h"
#include "TestSupport.h"
#include "app/SongRecord.h"
#include "app/TextConvert.h"
#include "engine/CLyricsData.h"
#include "oscompat/Log.h"

namespace fs = std::filesystem;
using lyrictest::PartRecords;

namespace {

// An element of the document read back: its name, attributes and children.
struct Node {
  std::string name;
  std::map<std::string, std::wstring> attrs;
  std::vector<std::unique_ptr<Node>> children;

  const Node& child(size_t i) const { return *children.at(i); }
  std::vector<std::string> childNames() const {
    std::vector<std::string> names;
    for (const auto& c : children) names.push_back(c->name);
    return names;
  }
};

class TreeHandler : public CEGUI::XMLHandler {
 public:
  Node root;
  void elementStart(const CEGUI::String& element, const CEGUI::XMLAttributes& attributes) override {
    Node* node = &root;
    if (!stack_.empty()) {
      stack_.back()->children.push_back(std::make_unique<Node>());
      node = stack_.back()->children.back().get();
    }
    node->name = element.c_str();
    for (size_t i = 0; i < attributes.getCount(); ++i)
      node->attrs[attributes.getName(i).c_str()] = wideFromGui(attributes.getValue(i));
    stack_.push_back(node);
  }
  void elementEnd(const CEGUI::String&) override { stack_.pop_back(); }
  const CEGUI::String& getDefaultResourceGroup() const override { return group_; }

 private:
  std::vector<Node*> stack_;
  CEGUI::String group_;
};

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class LyricFile : public ::testing::Test {
 protected:
  void SetUp() override {
    p1.line(u"晴朗 <天空> & \"云\"", 1, 100, 400)
        .line(u"第二行", 2, 500, 900, true)
        .word(0, 100, 200, u"晴", u"qing", 0)
        .word(0, 200, 300, u"朗", u"lang", 1)
        .word(1, 500, 900, u"第二行")
        .countIn(100, 4);
    p2.voiceType = 1;
    SongRecord song;
    song.SongName = L"欢乐颂";
    song.SingerName = L"合唱曲";
    data.load(lyrictest::records(p1, p2), song);
  }
  Node readBack(const std::string& path) {
    TreeHandler handler;
    XmlReadOptions options;
    options.via = XmlReadVia::StandAlone;
    EXPECT_TRUE(readSettingsXml(handler, path, options));
    return std::move(handler.root);
  }

  vktest::TempDir dir;
  PartRecords p1, p2;
  CLyricsData data;
};

// Catches elements or attributes missing, misnamed or in the wrong place, colours in another
// format, and texts that do not survive escaping.
TEST_F(LyricFile, DocumentHoldsNamesColoursPartsRowsLinesWordsAndCountIns) {
  const std::string path = dir.file("song.lyric");
  ASSERT_TRUE(data.save(wide(path)));
  const std::string text = vktest::readFile(path);
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<LyricsData ", 0), 0u);
  EXPECT_NE(text.find("\n    <LyricsColor "), std::string::npos);  // indentation 4

  const Node root = readBack(path);
  EXPECT_EQ(root.name, "LyricsData");
  EXPECT_EQ(root.attrs.at("SongName"), L"欢乐颂");
  EXPECT_EQ(root.attrs.at("SingerName"), L"合唱曲");
  ASSERT_EQ(root.childNames(), (std::vector<std::string>{"LyricsColor", "LyricsColor", "LyricsColor",
                                                         "LyricsColor", "Lyrics", "Lyrics"}));
  // Two male parts: the second is "FMail" in its own colour.
  const Node& fmail = root.child(2);
  EXPECT_EQ(fmail.attrs, (std::map<std::string, std::wstring>{{"Name", L"FMail"},
                                                              {"ClrsingBor", L"FF000000"},
                                                              {"ClrsingIn", L"FFFFFFFF"},
                                                              {"ClrsangBor", L"FFFFFFFF"},
                                                              {"ClrsangIn", L"FF8000FF"}}));
  EXPECT_EQ(root.child(0).attrs.at("Name"), L"Chorus");
  EXPECT_EQ(root.child(1).attrs.at("Name"), L"Def");
  EXPECT_EQ(root.child(3).attrs.at("Name"), L"Mail");

  const Node& part1 = root.child(4);
  EXPECT_EQ(part1.attrs.at("Index"), L"0");
  EXPECT_EQ(part1.attrs.at("ColorType"), L"Mail");
  ASSERT_EQ(part1.childNames(), (std::vector<std::string>{"Channel", "Channel", "PlayCount"}));
  const Node& line = part1.child(0).child(0);
  EXPECT_EQ(line.name, "LyricsTracks");
  EXPECT_EQ(line.attrs, (std::map<std::string, std::wstring>{{"Txt", L"晴朗 <天空> & \"云\""},
                                                             {"TmBegin", L"100"},
                                                             {"TmEnd", L"400"},
                                                             {"ColorType", L""}}));
  ASSERT_EQ(line.childNames(), (std::vector<std::string>{"LyricsScanTrack", "LyricsScanTrack"}));
  EXPECT_EQ(line.child(1).attrs, (std::map<std::string, std::wstring>{
                                     {"Txt", L"朗"}, {"TmBegin", L"200"}, {"TmEnd", L"300"}}));
  EXPECT_EQ(part1.child(1).child(0).attrs.at("ColorType"), L"Chorus");
  EXPECT_EQ(part1.child(2).attrs,
            (std::map<std::string, std::wstring>{{"BeatCount", L"4"}, {"TmEnd", L"100"}}));

  const Node& part2 = root.child(5);
  EXPECT_EQ(part2.attrs.at("Index"), L"1");
  EXPECT_EQ(part2.attrs.at("ColorType"), L"FMail");
  ASSERT_EQ(part2.childNames(), (std::vector<std::string>{"Channel", "Channel"}));
  EXPECT_TRUE(part2.child(0).children.empty());
}

// Catches times written as signed numbers: engine times past 2^31 must stay positive.
TEST(LyricFileNumbers, TimesAreUnsignedDecimal) {
  PartRecords p1, p2;
  p1.line(u"a", 1, -100, -1);  // 4294967196 .. 4294967295 as the engine's unsigned times
  CLyricsData data;
  data.load(lyrictest::records(p1, p2), SongRecord{});
  vktest::TempDir dir;
  const std::string path = dir.file("big.lyric");
  ASSERT_TRUE(data.save(wide(path)));
  const std::string text = vktest::readFile(path);
  EXPECT_NE(text.find("TmBegin=\"4294967196\" TmEnd=\"4294967295\""), std::string::npos);
}

// Catches a failed save reported as success, or one that leaves a partial or temporary file
// behind, or that damages the file it should have replaced.
TEST_F(LyricFile, UnwritablePlaceFailsWithOneLogLineAndLeavesNothingBehind) {
  std::vector<std::string> lines;
  oscompat::setLogSink([&](oscompat::LogLevel, const std::string& line) { lines.push_back(line); });
  // A file where a folder should be: nothing can be created below it.
  vktest::writeFile(dir.file("file"), "old");
  EXPECT_FALSE(data.save(wide(dir.file("file") + "/song.lyric")));
  // A folder where the file should be: the finished document cannot replace it.
  fs::create_directory(dir.file("taken.lyric"));
  EXPECT_FALSE(data.save(wide(dir.file("taken.lyric"))));
  oscompat::setLogSink(nullptr);

  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("lyrics: " + dir.file("file") + "/song.lyric not saved: ", 0), 0u);
  EXPECT_EQ(lines[1].rfind("lyrics: " + dir.file("taken.lyric") + " not saved: ", 0), 0u);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.path())) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"file", "taken.lyric"}));
  EXPECT_TRUE(fs::is_empty(dir.file("taken.lyric")));
  EXPECT_EQ(vktest::readFile(dir.file("file")), "old");
}

}  // namespace
