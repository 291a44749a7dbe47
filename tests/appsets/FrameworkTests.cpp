#include <cctype>
// The settings framework: the three ways of reading, damaged files, the unknown-element line,
// writing, number conversions and the settings registry.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "AppSet/ISet.h"
#include "AppSet/KeyMap.h"
#include "AppSet/NameValueSet.h"
#include "AppSet/SetRegistry.h"
#include "AppSet/SetXml.h"
#include "SetTestSupport.h"

namespace fs = std::filesystem;
using settest::countOf;
using settest::kHeader;

namespace {

class Framework : public settest::SettingsGuiTest {};

const std::string kUserSet = kHeader +
                             "<UserSet >\n"
                             "    <Item Name=\"AutoHidems\" Value=\"5000\" />\n"
                             "    <Item Name=\"Skin\" Value=\"蓝色\" />\n"
                             "</UserSet>\n";

// Elements nested `levels` deep: the parsers recurse once per level.
std::string deepNesting(int levels) {
  std::string s;
  for (int i = 0; i < levels; ++i) s += "<a>";
  for (int i = 0; i < levels; ++i) s += "</a>";
  return s;
}

}  // namespace

TEST_F(Framework, UnknownElementBetweenKnownOnesIsLoggedOnceAndSkipped) {
  vktest::writeFile(appSets("UserSet.xml"),
                    "<UserSet><Item Name=\"A\" Value=\"1\"/><Bogus Name=\"B\" Value=\"2\"/>"
                    "<Item Name=\"C\" Value=\"3\"/></UserSet>");
  CUserSet set(wideAppSets("UserSet.xml"));
  EXPECT_TRUE(set.LoadSets());
  EXPECT_EQ(set.values(), (std::map<std::wstring, std::wstring>{{L"A", L"1"}, {L"C", L"3"}}));
  const std::string log = this->log();
  EXPECT_EQ(countOf(log, settest::unknownElementLine("Bogus")), 1u);
  // The document element is known: no line for it.
  EXPECT_EQ(countOf(log, settest::unknownElementLine("UserSet")), 0u);
  EXPECT_NE(log.find("(Error)\tFalagard::xmlHandler::elementStart - The unknown XML element 'Bogus' "
                     "was encountered while processing the look and feel file."),
            std::string::npos);
}

TEST_F(Framework, SavedFileHasTheSerializersLayoutInNameOrderAndReadsBack) {
  CUserSet set(wideAppSets("UserSet.xml"));
  set.setValue(L"Skin", L"蓝色");
  set.setValue(L"AutoHidems", L"5000");
  ASSERT_TRUE(set.SaveSets());
  EXPECT_EQ(vktest::readFile(appSets("UserSet.xml")), kUserSet);

  CUserSet back(wideAppSets("UserSet.xml"));
  ASSERT_TRUE(back.LoadSets());
  EXPECT_EQ(back.values(), set.values());
}

// A damaged file: what it holds, and whether its bytes are worth keeping beside it.
struct Damaged {
  const char* name;
  std::string bytes;
  bool keptAsBad;
};
void PrintTo(const Damaged& d, std::ostream* os) { *os << d.name; }

class DamagedFiles : public Framework, public ::testing::WithParamInterface<Damaged> {};

// Every kind of damage: false, the values in memory untouched, nothing of the file applied,
// one line in the log, and the unreadable bytes kept as ".bad" so the next save loses nothing.
TEST_P(DamagedFiles, LoadFailsKeepsValuesAndKeepsTheBytes) {
  const std::string path = appSets("UserSet.xml");
  vktest::writeFile(path, GetParam().bytes);
  CUserSet set(wideAppSets("UserSet.xml"));
  set.setValue(L"AutoHidems", L"10000");
  EXPECT_FALSE(set.LoadSets());
  EXPECT_EQ(set.values(), (std::map<std::wstring, std::wstring>{{L"AutoHidems", L"10000"}}));
  EXPECT_NE(log().find("UserSet.xml not read"), std::string::npos);
  if (GetParam().keptAsBad)
    EXPECT_EQ(vktest::readFile(path + ".bad"), GetParam().bytes);
  else
    EXPECT_FALSE(fs::exists(path + ".bad"));
}

INSTANTIATE_TEST_SUITE_P(
    Documents, DamagedFiles,
    ::testing::Values(
        Damaged{"Empty", "", false},
        Damaged{"Blank", " \n\t\n", false},
        Damaged{"Malformed", "<UserSet><Item Name=\"AutoHidems\" Value=\"1\"></UserSet>", true},
        Damaged{"Truncated", kUserSet.substr(0, kUserSet.size() / 2), true},
        Damaged{"TruncatedBeforeTheEndTag", kUserSet.substr(0, kUserSet.find("</UserSet>")), true},
        Damaged{"NotXml", "AutoHidems=1\n", true},
        Damaged{"InvalidUtf8", "<UserSet><Item Name=\"Skin\" Value=\"\xC0\xAF\xFF\"/></UserSet>", true},
        Damaged{"TruncatedUtf8AtTheEnd", "<UserSet><Item Name=\"AutoHidems\" Value=\"1\"/></UserSet>\xE4\xB8", true},
        Damaged{"NulBytes", std::string("<UserSet><Item Name=\"AutoHidems\" Value=\"1\"/></UserSet>\0\0\0", 61), true},
        // Without a UTF-8 declaration TinyXML turns "&#233;" into one byte that is not UTF-8.
        Damaged{"ReferenceOutsideUtf8", "<UserSet><Item Name=\"AutoHidems\" Value=\"&#233;\"/></UserSet>", true},
        Damaged{"NestedTooDeep", deepNesting(100000), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Framework, CharacterReferencesInADeclaredUtf8DocumentAreRead) {
  // The same reference as above is fine once TinyXML reads the document as UTF-8.
  vktest::writeFile(appSets("UserSet.xml"), kHeader + "<UserSet><Item Name=\"Skin\" Value=\"caf&#233; &amp; &#x4E2D;\"/></UserSet>");
  CUserSet set(wideAppSets("UserSet.xml"));
  ASSERT_TRUE(set.LoadSets());
  std::wstring skin;
  ASSERT_TRUE(set.getValue(L"Skin", skin));
  EXPECT_EQ(skin, L"café & 中");
}

TEST_F(Framework, MissingFileIsFalseWithoutComplaint) {
  CUserSet set(wideAppSets("UserSet.xml"));
  EXPECT_FALSE(set.LoadSets());
  EXPECT_TRUE(set.values().empty());
  EXPECT_EQ(log().find("(Error)\tsettings:"), std::string::npos);
  EXPECT_FALSE(fs::exists(appSets("UserSet.xml.bad")));
}

TEST_F(Framework, VeryLongValuesAndAwkwardTextRoundTrip) {
  CUserSet set(wideAppSets("UserSet.xml"));
  const std::wstring longValue(200000, L'长');
  set.setValue(L"Long", longValue);
  set.setValue(L"Markup", L"<a href=\"x\">&amp;'</a>");
  set.setValue(L"Blanks", L"  two  spaces\tand a tab ");
  set.setValue(L"Astral", L"😀 𠀀");
  set.setValue(L"", L"a nameless entry");
  ASSERT_TRUE(set.SaveSets());
  CUserSet back(wideAppSets("UserSet.xml"));
  ASSERT_TRUE(back.LoadSets());
  EXPECT_EQ(back.values(), set.values());
}

// A value that is not Unicode (a lone surrogate from a broken conversion) would make a file
// the reader refuses: the save is refused instead and the old file stays.
TEST_F(Framework, SaveThatWouldNotReadBackIsRefused) {
  vktest::writeFile(appSets("UserSet.xml"), kUserSet);
  CUserSet set(wideAppSets("UserSet.xml"));
  set.setValue(L"Broken", std::wstring(1, static_cast<wchar_t>(0xD800)));
  EXPECT_FALSE(set.SaveSets());
  EXPECT_EQ(vktest::readFile(appSets("UserSet.xml")), kUserSet);
}

TEST_F(Framework, SaveIntoAMissingFolderFailsAndCreatesNothing) {
  CUserSet set(wideAppSets("none/UserSet.xml"));
  set.setValue(L"AutoHidems", L"1");
  EXPECT_FALSE(set.SaveSets());
  EXPECT_FALSE(fs::exists(appSets("none")));
  EXPECT_NE(log().find("UserSet.xml not saved"), std::string::npos);
}

// Without the GUI system the usual reading is refused with the set's own message (it goes
// into the library's log when there is one); the stand-alone reading works.
TEST(FrameworkWithoutGui, GuiReadingIsRefusedStandAloneReadingWorks) {
  vktest::TempDir dir;
  vktest::writeFile(dir.file("UserSet.xml"), kUserSet);
  const std::string path = dir.file("UserSet.xml");
  CUserSet user(std::wstring(path.begin(), path.end()));
  EXPECT_FALSE(user.LoadSets());
  EXPECT_TRUE(user.values().empty());

  vktest::writeFile(dir.file("KEYMAP.xml"), "<KEYMAP><Item Name=\"Back\" Value=\"14\"/></KEYMAP>");
  const std::string keys = dir.file("KEYMAP.xml");
  CKeyMap map(std::wstring(keys.begin(), keys.end()));
  ASSERT_TRUE(map.LoadSets());
  int value = 0;
  ASSERT_TRUE(map.lookupKey(L"Back", value));
  EXPECT_EQ(value, 14);
}

struct NumberCase {
  const char* text;
  int asInt;
  unsigned asUInt;
};
void PrintTo(const NumberCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class Numbers : public ::testing::TestWithParam<NumberCase> {};

// The library's reading of numbers ("12abc" is 12, "abc" is 0), but saturating where the
// library would wrap a value that does not fit.
TEST_P(Numbers, ReadLikeTheLibraryButSaturate) {
  EXPECT_EQ(xmlToInt(GetParam().text), GetParam().asInt);
  EXPECT_EQ(xmlToUInt(GetParam().text), GetParam().asUInt);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Numbers,
    ::testing::Values(NumberCase{"42", 42, 42u}, NumberCase{"12abc", 12, 12u}, NumberCase{"abc", 0, 0u},
                      NumberCase{"", 0, 0u}, NumberCase{"  -7 ", -7, 4294967289u}, NumberCase{"+5", 5, 5u},
                      NumberCase{"0x10", 0, 0u}, NumberCase{"-1", -1, 4294967295u},
                      NumberCase{"2147483647", INT_MAX, 2147483647u},
                      NumberCase{"99999999999", INT_MAX, UINT_MAX},
                      NumberCase{"-99999999999", INT_MIN, 1u},
                      NumberCase{"4294967296", INT_MAX, UINT_MAX}),
    [](const ::testing::TestParamInfo<NumberCase>& info) {
      std::string name = "text" + std::to_string(info.index);
      for (const char* c = info.param.text; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
      return name;
    });

TEST(Conversions, BooleansAreTheLibrarysText) {
  EXPECT_TRUE(xmlToBool("true"));
  EXPECT_TRUE(xmlToBool("True"));
  EXPECT_FALSE(xmlToBool("TRUE"));
  EXPECT_FALSE(xmlToBool("1"));
  EXPECT_EQ(xmlFromBool(true), "true");
  EXPECT_EQ(xmlFromBool(false), "false");
  EXPECT_EQ(xmlFromInt(-6), "-6");
  EXPECT_EQ(xmlFromUInt(4294967295u), "4294967295");
}

namespace {

// A set that records the order of calls; it can fail by result or by exception.
class RecordingSet : public ISet {
 public:
  enum class Fails { No, ByResult, ByThrowing };
  RecordingSet(std::string name, std::vector<std::string>& calls, Fails fails = Fails::No)
      : name_(std::move(name)), calls_(calls), fails_(fails) {}
  bool LoadSets() override { return act("load"); }
  bool SaveSets() override { return act("save"); }

 private:
  bool act(const char* what) {
    calls_.push_back(std::string(what) + " " + name_);
    if (fails_ == Fails::ByThrowing) throw std::runtime_error("damaged");
    return fails_ == Fails::No;
  }
  std::string name_;
  std::vector<std::string>& calls_;
  Fails fails_;
};

}  // namespace

TEST(SetRegistry, LoadsAndSavesInNameOrderPastFailingSets) {
  std::vector<std::string> calls;
  RecordingSet user("UserSet", calls), keys("KeyMap", calls, RecordingSet::Fails::ByThrowing),
      audio("AudioSets", calls), dev("DevSets", calls, RecordingSet::Fails::ByResult),
      tuned("TunedInfo", calls);
  CSetRegistry registry;
  for (auto [name, set] : std::initializer_list<std::pair<const wchar_t*, ISet*>>{
           {L"UserSet", &user}, {L"KeyMap", &keys}, {L"AudioSets", &audio}, {L"DevSets", &dev}, {L"TunedInfo", &tuned}})
    ASSERT_TRUE(registry.registerSet(name, set));

  EXPECT_EQ(registry.loadAll(), 3);
  EXPECT_EQ(calls, (std::vector<std::string>{"load AudioSets", "load DevSets", "load KeyMap",
                                             "load TunedInfo", "load UserSet"}));
  calls.clear();
  EXPECT_FALSE(registry.saveAll());
  EXPECT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls.back(), "save UserSet");

  registry.clear();
  calls.clear();
  EXPECT_TRUE(registry.saveAll());
  EXPECT_TRUE(calls.empty());
}

TEST(SetRegistry, ASecondSetUnderAUsedNameLeavesTheFirst) {
  std::vector<std::string> calls;
  RecordingSet first("first", calls), second("second", calls);
  CSetRegistry registry;
  EXPECT_TRUE(registry.registerSet(L"UserSet", &first));
  EXPECT_FALSE(registry.registerSet(L"UserSet", &second));
  EXPECT_FALSE(registry.registerSet(L"Other", nullptr));
  EXPECT_EQ(registry.find(L"UserSet"), &first);
  registry.loadAll();
  EXPECT_EQ(calls, std::vector<std::string>{"load first"});
}
