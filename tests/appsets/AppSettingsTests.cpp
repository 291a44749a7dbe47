// The application's settings files: Config.xml, device.xml and UserSet.xml, KEYMAP.xml and the
// song-set format.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <tuple>

#include "AppSet/ConfigSet.h"
#include "AppSet/KeyMap.h"
#include "AppSet/NameValueSet.h"
#include "AppSet/OCXManager.h"
#include "AppSet/PictureSet.h"
#include "AppSet/SongSet.h"
#include "SetTestSupport.h"
#include "oscompat/AtomicFile.h"

using settest::kHeader;

namespace {

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class Config : public ::testing::Test {
 protected:
  CConfigSet load(const std::string& text, bool expectOk = true) {
    vktest::writeFile(dir_.file("Config.xml"), text);
    CConfigSet set(wide(dir_.file("Config.xml")));
    EXPECT_EQ(set.LoadSets(), expectOk);
    return set;
  }
  vktest::TempDir dir_;
};

}  // namespace

TEST_F(Config, ReadsEveryFieldInAnyOrderAndNestingWithoutTheGui) {
  const CConfigSet set = load(
      "<Config><SangMaxNum Value=\"30\"/><Window><WndSize Width=\"1280\" Height=\"720\"/>"
      "<FullScreen Value=\"true\"/></Window><AlbumMaxNum Value=\"12\"/>"
      "<AlbumMaxSize Value=\"2048\"/></Config>");
  EXPECT_TRUE(set.fullScreen());
  EXPECT_TRUE(set.hasWindowSize());
  EXPECT_EQ(set.windowWidth(), 1280);
  EXPECT_EQ(set.windowHeight(), 720);
  EXPECT_EQ(set.albumMaxNum(), 12);
  EXPECT_EQ(set.albumMaxSize(), 2048);
  EXPECT_EQ(set.sangMaxNum(), 30);
}

TEST_F(Config, MissingValuesKeepDefaultsMissingSizeReadsZeroNonNumbersReadZero) {
  const CConfigSet set = load(
      "<Config><SangMaxNum/><AlbumMaxNum Value=\"many\"/><WndSize Width=\"800\"/></Config>");
  EXPECT_FALSE(set.fullScreen());
  EXPECT_EQ(set.sangMaxNum(), 100);
  EXPECT_EQ(set.albumMaxNum(), 0);
  EXPECT_EQ(set.albumMaxSize(), 1073741824);
  EXPECT_TRUE(set.hasWindowSize());
  EXPECT_EQ(set.windowWidth(), 800);
  EXPECT_EQ(set.windowHeight(), 0);
}

TEST_F(Config, DamagedFileKeepsAllDefaultsAndSavingWritesNothing) {
  CConfigSet set = load("<Config><SangMaxNum Value=\"5\"/><FullScreen Value=\"true\"", false);
  EXPECT_EQ(set.sangMaxNum(), 100);
  EXPECT_FALSE(set.fullScreen());
  EXPECT_FALSE(set.hasWindowSize());
  EXPECT_TRUE(set.SaveSets());
  EXPECT_EQ(vktest::readFile(dir_.file("Config.xml")), "<Config><SangMaxNum Value=\"5\"/><FullScreen Value=\"true\"");
}

namespace {

class AppSettings : public settest::SettingsGuiTest {};

}  // namespace

// The settings the installation ships read as the module needs them.
TEST_F(AppSettings, ShippedFilesRead) {
  CConfigSet config(wideAppSets("Config.xml"));
  ASSERT_TRUE(config.LoadSets());
  EXPECT_FALSE(config.fullScreen());
  EXPECT_EQ(config.windowWidth(), 1440);
  EXPECT_EQ(config.windowHeight(), 900);
  EXPECT_EQ(config.sangMaxNum(), 100);
  ShowHeadPicture heads(wideAppSets("HeadPicture.xml"));
  ASSERT_TRUE(heads.load());
  EXPECT_EQ(heads.count(), 18);
  EXPECT_EQ(heads.entries().at(18), L"HeadIconDefault.png");
  ShowThemePicture themes(wideAppSets("ThemePicture.xml"));
  ASSERT_TRUE(themes.load());
  EXPECT_EQ(themes.count(), 7);
  OCXManager components(wideAppSets("ocx.xml"));
  ASSERT_TRUE(components.loadList());
  EXPECT_TRUE(components.components().empty());
  CSongSet sang(wideAppSets("SangSet.xml"));
  ASSERT_TRUE(sang.LoadSets());
  EXPECT_TRUE(sang.songs().empty());
  EXPECT_EQ(log().find("unknown XML element"), std::string::npos);
}

TEST_F(AppSettings, UserSetWritesUnknownEntriesBackUnchanged) {
  vktest::writeFile(appSets("UserSet.xml"),
                    "<UserSet><Item Name=\"Zeta\" Value=\"z z\"/><Item Name=\"AutoHidems\" Value=\"8000\"/>"
                    "<Item Name=\"主题\" Value=\"&lt;红&gt;\"/><Item Name=\"Zeta\" Value=\"later wins\"/></UserSet>");
  CUserSet set(wideAppSets("UserSet.xml"));
  ASSERT_TRUE(set.LoadSets());
  ASSERT_TRUE(set.SaveSets());
  EXPECT_EQ(vktest::readFile(appSets("UserSet.xml")),
            kHeader +
                "<UserSet >\n"
                "    <Item Name=\"AutoHidems\" Value=\"8000\" />\n"
                "    <Item Name=\"Zeta\" Value=\"later wins\" />\n"
                "    <Item Name=\"主题\" Value=\"&lt;红&gt;\" />\n"
                "</UserSet>\n");
}

TEST_F(AppSettings, DevSetsHaveTheirOwnDocumentElement) {
  CDevSets set(wideAppSets("device.xml"));
  set.setValue(L"Camera", L"0");
  ASSERT_TRUE(set.SaveSets());
  EXPECT_EQ(vktest::readFile(appSets("device.xml")),
            kHeader + "<DevSet >\n    <Item Name=\"Camera\" Value=\"0\" />\n</DevSet>\n");
  std::wstring value = L"untouched";
  EXPECT_FALSE(set.getValue(L"Microphone", value));
  EXPECT_EQ(value, L"untouched");
}

TEST_F(AppSettings, KeyMapDefaultsAppearInTheFileInNameOrder) {
  CKeyMap keys(wideAppSets("KEYMAP.xml"));
  ASSERT_TRUE(keys.SaveSets());
  const std::string file = vktest::readFile(appSets("KEYMAP.xml"));
  EXPECT_EQ(settest::countOf(file, "<Item "), 11u);
  EXPECT_NE(file.find("<Item Name=\"Back\" Value=\"1\" VKValue=\"VK_ESCAPE\" Comment=\"返回上一级\" />"),
            std::string::npos);
  EXPECT_NE(file.find("<Item Name=\"Menu\" Value=\"109\" VKValue=\"VK_F22\" Comment=\" 菜单\" />"),
            std::string::npos);
  std::vector<size_t> at;
  for (const char* name : {"Back", "Clear", "Dwon", "Exit", "Left", "MediaStop", "Menu", "OK",
                           "PlayPause", "Right", "UP"})
    at.push_back(file.find(std::string("Name=\"") + name + "\""));
  EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
  EXPECT_EQ(std::find(at.begin(), at.end(), std::string::npos), at.end());

  CKeyMap back(wideAppSets("KEYMAP.xml"));
  back.setEntry({L"Back", 99, L"", L""});  // the file replaces it
  ASSERT_TRUE(back.LoadSets());
  EXPECT_EQ(back.entries().size(), 11u);
  for (const auto& [name, e] : keys.entries()) {
    const KeyMapEntry& b = back.entries().at(name);
    EXPECT_EQ(std::tie(b.Name, b.Value, b.VKValue, b.Comment), std::tie(e.Name, e.Value, e.VKValue, e.Comment));
  }
}

TEST_F(AppSettings, KeyMapFileWithOnlyExitChangesTheExitKeyAndKeepsTheOtherTen) {
  vktest::writeFile(appSets("KEYMAP.xml"),
                    "<KEYMAP><Item Name=\"Exit\" Value=\"16\" VKValue=\"VK_Q\" Comment=\"退出\"/></KEYMAP>");
  CKeyMap keys(wideAppSets("KEYMAP.xml"));
  ASSERT_TRUE(keys.LoadSets());
  EXPECT_EQ(keys.entries().size(), 11u);
  int value = 0;
  ASSERT_TRUE(keys.lookupKey(L"Exit", value));
  EXPECT_EQ(value, 16);
  EXPECT_EQ(keyMapCode(L"Exit"), 16);
  EXPECT_EQ(keyMapCode(L"Back"), 1);
  EXPECT_EQ(keyMapCode(L"Dwon"), 208);
  EXPECT_EQ(keyMapCode(L"Down"), -1);
}

TEST_F(AppSettings, KeyMapEntriesWithMissingOrOddAttributesStillCount) {
  vktest::writeFile(appSets("KEYMAP.xml"),
                    "<KEYMAP><Item Name=\"OK\"/><Item Name=\"Record\" Value=\"19x\"/></KEYMAP>");
  CKeyMap keys(wideAppSets("KEYMAP.xml"));
  ASSERT_TRUE(keys.LoadSets());
  EXPECT_EQ(keyMapCode(L"OK"), 0);  // a missing "Value" reads as 0
  EXPECT_EQ(keys.entries().at(L"OK").VKValue, L"");
  EXPECT_EQ(keyMapCode(L"Record"), 19);
  EXPECT_EQ(keys.entries().size(), 12u);
}

// The program dies while saving the key map, at many points of the write: the file it finds
// at the next start is always the old one or the new one, whole and loadable.
TEST(KeyMapSave, InterruptedSaveLeavesALoadableKeyMap) {
  vktest::TempDir dir;
  const std::wstring path = wide(dir.file("KEYMAP.xml"));
  {
    CKeyMap keys(path);
    ASSERT_TRUE(keys.SaveSets());
  }
  const std::string oldFile = vktest::readFile(dir.file("KEYMAP.xml"));
  for (long killAt = 1; killAt < 1400; killAt += 37) {
    const pid_t child = fork();
    if (child == 0) {
      oscompat::setAtomicWriteHooksForTesting({1, [killAt](size_t written) {
        if (static_cast<long>(written) == killAt) raise(SIGKILL);
      }, nullptr});
      CKeyMap keys(path);
      keys.setEntry({L"Exit", 16, L"VK_Q", L"退出"});
      keys.SaveSets();
      _exit(3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    CKeyMap back(path);
    ASSERT_TRUE(back.LoadSets()) << "killed after byte " << killAt;
    if (WIFSIGNALED(status)) {
      ASSERT_EQ(vktest::readFile(dir.file("KEYMAP.xml")), oldFile) << "killed after byte " << killAt;
    } else {
      ASSERT_EQ(WEXITSTATUS(status), 3);  // the document was shorter: the save completed
      int exitKey = 0;
      ASSERT_TRUE(back.lookupKey(L"Exit", exitKey));
      EXPECT_EQ(exitKey, 16);
    }
  }
}

namespace {

SongRecord song(const std::wstring& id, const std::wstring& name, int key) {
  SongRecord r;
  r.SongNo = 77;
  r.SongID = id;
  r.SongName = name;
  r.SongKey = key;
  r.SingerName = L"歌手";
  r.SingerKey = L"S1";
  r.FlashCode1 = L"f1";
  r.FlashCode2 = L"f2";
  r.FlashCode3 = L"";
  r.FlashCode4 = L"f4";
  r.FlashCode5 = L"f5 & <5>";
  return r;
}

}  // namespace

TEST_F(AppSettings, SongSetRoundTripsRecordsWithTheirMissionTypes) {
  CSongSet set(wideAppSets("SangSet.xml"));
  set.addSongRecord(song(L"S100", L"月亮代表我的心", 12), 3);
  set.addSongRecord(song(L"S200", L"Second", -4), 1);
  ASSERT_TRUE(set.SaveSets());

  CSongSet back(wideAppSets("SangSet.xml"));
  ASSERT_TRUE(back.LoadSets());
  std::vector<SongSetEntry> entries;
  back.songsToRecords(entries);
  ASSERT_EQ(entries.size(), 2u);
  const SongRecord want = song(L"S100", L"月亮代表我的心", 12);
  const SongRecord& got = entries[0].record;
  EXPECT_EQ(entries[0].misType, 3);
  EXPECT_EQ(entries[1].misType, 1);
  EXPECT_EQ(entries[1].record.SongKey, -4);
  EXPECT_EQ(std::tie(got.SongID, got.SongName, got.SongKey, got.SingerName, got.FlashCode1, got.FlashCode2,
                     got.FlashCode3, got.FlashCode4, got.FlashCode5),
            std::tie(want.SongID, want.SongName, want.SongKey, want.SingerName, want.FlashCode1, want.FlashCode2,
                     want.FlashCode3, want.FlashCode4, want.FlashCode5));
  // Not stored by the format.
  EXPECT_EQ(got.SingerKey, L"");
  EXPECT_EQ(got.SongNo, 0);
}

TEST_F(AppSettings, SongItemsAreWrittenInNameOrderWhateverOrderTheyCameIn) {
  vktest::writeFile(appSets("SangSet.xml"),
                    "<SongSet><Song><Item Name=\"SongName\" Value=\"B\"/><Item Name=\"MisType\" Value=\"3\"/>"
                    "<Item Name=\"SongID\" Value=\"2\"/></Song>"
                    "<Song><Item Name=\"SongKey\" Value=\"x\"/><Item Name=\"FlashCode2\" Value=\"c\"/>"
                    "<Item Name=\"SingerName\" Value=\"s\"/></Song></SongSet>");
  CSongSet set(wideAppSets("SangSet.xml"));
  ASSERT_TRUE(set.LoadSets());
  std::vector<SongSetEntry> entries;
  set.songsToRecords(entries);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].misType, 0);  // no "MisType": type 0
  EXPECT_EQ(entries[1].record.SongKey, 0);  // not a number
  ASSERT_TRUE(set.SaveSets());
  EXPECT_EQ(vktest::readFile(appSets("SangSet.xml")),
            kHeader +
                "<SongSet >\n"
                "    <Song >\n"
                "        <Item Name=\"MisType\" Value=\"3\" />\n"
                "        <Item Name=\"SongID\" Value=\"2\" />\n"
                "        <Item Name=\"SongName\" Value=\"B\" />\n"
                "    </Song>\n"
                "    <Song >\n"
                "        <Item Name=\"FlashCode2\" Value=\"c\" />\n"
                "        <Item Name=\"SingerName\" Value=\"s\" />\n"
                "        <Item Name=\"SongKey\" Value=\"x\" />\n"
                "    </Song>\n"
                "</SongSet>\n");
}

TEST_F(AppSettings, EmptySongSetIsAnEmptyDocumentElement) {
  CSongSet set(wideAppSets("SangSet.xml"));
  ASSERT_TRUE(set.SaveSets());
  EXPECT_EQ(vktest::readFile(appSets("SangSet.xml")), kHeader + "<SongSet />\n");
  ASSERT_TRUE(set.LoadSets());
  EXPECT_TRUE(set.songs().empty());
}
