// The audio settings: items and their checks, what a change applies, the modes, Audio.xml,
// AudioDeviceConfig.xml and AudioDevUse.xml.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include "AppSet/AudioDevConfigSet.h"
#include "AppSet/AudioDevUseSet.h"
#include "AppSet/AudioEngine.h"
#include "AppSet/AudioSet.h"
#include "SetTestSupport.h"

using settest::kHeader;

namespace {

// Records every call as "Name(value)".
class RecordingEngine : public IAudioEngine, public IAudioComponent {
 public:
  std::vector<std::string> calls;
  void VokaSetVolume(int v) override { add("VokaSetVolume", v); }
  void MicSetVolume(int v) override { add("MicSetVolume", v); }
  void MidiSetMelodyVolume(int v) override { add("MidiSetMelodyVolume", v); }
  void VokaSetTempo(int v) override { add("VokaSetTempo", v); }
  void VokaSetKey(int v) override { add("VokaSetKey", v); }
  void MicSetEchoDeep(int v) override { add("MicSetEchoDeep", v); }
  void MicSetEchoLevel(int v) override { add("MicSetEchoLevel", v); }
  void setMasterVolume(int v) override { add("masterVolume", v); }
  void setMicrophoneLevel(int v) override { add("microphoneLevel", v); }
  void setMonitorLevel(int v) override { add("monitorLevel", v); }

 private:
  void add(const char* name, int v) { calls.push_back(std::string(name) + "(" + std::to_string(v) + ")"); }
};

// Counts the two events of an item.
struct EventCounter {
  int changed = 0, progress = 0;
  explicit EventCounter(Item& item) {
    item.subscribeEvent(Item::EventValueChanged, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
      ++changed;
      return false;
    }));
    item.subscribeEvent(Item::EventUpdateProgress, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
      ++progress;
      return false;
    }));
  }
};

class Audio : public settest::SettingsGuiTest {
 protected:
  void SetUp() override {
    SettingsGuiTest::SetUp();
    set_.setPath(wideAppSets("Audio.xml"));
    set_.setEngine(&engine_);
    set_.setComponent(&engine_);
  }
  Item& item(const wchar_t* name) {
    Item* found = set_.getItem(name);
    EXPECT_NE(found, nullptr);
    return *found;
  }
  RecordingEngine engine_;
  CAudioSet set_;
};

// The built-ins as written: items in name order, then the modes with the current and the
// default mode.
const std::string kBuiltInAudioXml =
    kHeader +
    "<Set >\n"
    "    <Value >\n"
    "        <Item Name=\"Accompany\" Min=\"0\" Max=\"200\" Setup=\"2\" Cur=\"80\" Def=\"60\" Txt=\"伴奏音量\" />\n"
    "        <Item Name=\"Depth\" Min=\"0\" Max=\"127\" Setup=\"1\" Cur=\"76\" Def=\"76\" Txt=\"深度\" />\n"
    "        <Item Name=\"ECHO\" Min=\"0\" Max=\"127\" Setup=\"1\" Cur=\"110\" Def=\"110\" Txt=\"回声\" />\n"
    "        <Item Name=\"KEY\" Min=\"-6\" Max=\"6\" Setup=\"1\" Cur=\"0\" Def=\"0\" Txt=\"音调\" />\n"
    "        <Item Name=\"MELODY\" Min=\"0\" Max=\"127\" Setup=\"1\" Cur=\"28\" Def=\"25\" Txt=\"主旋音量\" />\n"
    "        <Item Name=\"MIC\" Min=\"0\" Max=\"65535\" Setup=\"10\" Cur=\"65535\" Def=\"65535\" Txt=\"麦克风音量\" />\n"
    "        <Item Name=\"MICRC\" Min=\"0\" Max=\"128\" Setup=\"1\" Cur=\"115\" Def=\"115\" Txt=\"MIC音量\" />\n"
    "        <Item Name=\"SysMICRC\" Min=\"0\" Max=\"65535\" Setup=\"10\" Cur=\"30000\" Def=\"30000\" Txt=\"系统麦克风录音\" />\n"
    "        <Item Name=\"TEMPO\" Min=\"64\" Max=\"136\" Setup=\"2\" Cur=\"100\" Def=\"100\" Txt=\"曲速\" />\n"
    "        <Item Name=\"VOL\" Min=\"0\" Max=\"65535\" Setup=\"10\" Cur=\"65535\" Def=\"65500\" Txt=\"主音量\" />\n"
    "    </Value>\n"
    "    <AudioEffset CurSel=\"KTV\" Def=\"KTV\" >\n"
    "        <Item Name=\"KTV\" EffectID=\"6\" bUser=\"false\" Depth=\"-1\" ECHO=\"-1\" Txt=\"KTV\" />\n"
    "        <Item Name=\"Concert\" EffectID=\"5\" bUser=\"false\" Depth=\"-1\" ECHO=\"-1\" Txt=\"演唱会\" />\n"
    "        <Item Name=\"RecordingStudio\" EffectID=\"1\" bUser=\"false\" Depth=\"-1\" ECHO=\"-1\" Txt=\"录音棚\" />\n"
    "        <Item Name=\"USER\" EffectID=\"7\" bUser=\"true\" Depth=\"76\" ECHO=\"63\" Txt=\"自定义\" />\n"
    "    </AudioEffset>\n"
    "</Set>\n";

}  // namespace

TEST(AudioItem, RefusesValuesOutsideItsRangeAndFiresOnlyOnChange) {
  Item key(L"KEY", L"音调", -6, 6, 1, 0, 0);
  EventCounter events(key);
  EXPECT_FALSE(key.setValue(7, true));
  EXPECT_FALSE(key.setValue(-7, true));
  EXPECT_TRUE(key.setValue(0, true));  // the current value: accepted, nothing fired
  EXPECT_EQ(events.changed, 0);
  EXPECT_TRUE(key.setValue(3, false));
  EXPECT_EQ(events.changed, 1);
  EXPECT_EQ(events.progress, 0);
  EXPECT_TRUE(key.resetValue());  // with the update flag
  EXPECT_EQ(key.value(), 0);
  EXPECT_EQ(events.changed, 2);
  EXPECT_EQ(events.progress, 1);

  EXPECT_FALSE(key.setRange(5, 4));
  EXPECT_EQ(key.min(), -6);
  EXPECT_FALSE(key.setDefault(9));
  EXPECT_TRUE(key.setDefault(-6));
  EXPECT_EQ(key.defaultValue(), -6);
}

// Each applied item reaches its own call, and only that one.
struct Applied {
  const wchar_t* item;
  int value;
  const char* call;
};
void PrintTo(const Applied& a, std::ostream* os) { *os << a.call; }

class AudioApply : public Audio, public ::testing::WithParamInterface<Applied> {};

TEST_P(AudioApply, AChangeAppliesToItsTarget) {
  ASSERT_TRUE(item(GetParam().item).setValue(GetParam().value, false));
  EXPECT_EQ(engine_.calls, std::vector<std::string>{GetParam().call});
}

INSTANTIATE_TEST_SUITE_P(
    Items, AudioApply,
    ::testing::Values(Applied{L"VOL", 1000, "masterVolume(1000)"},
                      Applied{L"MIC", 20, "microphoneLevel(20)"},
                      Applied{L"SysMICRC", 3000, "monitorLevel(3000)"},
                      Applied{L"Accompany", 90, "VokaSetVolume(90)"},
                      Applied{L"MICRC", 100, "MicSetVolume(100)"},
                      Applied{L"MELODY", 64, "MidiSetMelodyVolume(64)"},
                      Applied{L"TEMPO", 110, "VokaSetTempo(110)"},
                      Applied{L"KEY", -3, "VokaSetKey(-3)"},
                      Applied{L"Depth", 10, "MicSetEchoDeep(10)"},
                      Applied{L"ECHO", 11, "MicSetEchoLevel(11)"}),
    [](const auto& info) { return std::string(info.param.call).substr(0, std::string(info.param.call).find('(')); });

TEST_F(Audio, RefusedKeyLeavesTheEnginesKeyAlone) {
  EXPECT_FALSE(item(L"KEY").setValue(7, true));
  EXPECT_TRUE(item(L"KEY").setValue(0, true));
  EXPECT_TRUE(engine_.calls.empty());
  EXPECT_EQ(item(L"KEY").value(), 0);
}

TEST_F(Audio, WithoutTheComponentVolumesChangeWithoutBeingApplied) {
  set_.setComponent(nullptr);
  EXPECT_TRUE(item(L"VOL").setValue(100, true));
  EXPECT_TRUE(item(L"MIC").setValue(100, true));
  EXPECT_TRUE(item(L"SysMICRC").setValue(100, true));
  EXPECT_EQ(item(L"VOL").value(), 100);
  EXPECT_TRUE(engine_.calls.empty());
}

TEST_F(Audio, EchoGoesIntoTheCurrentModeOnlyWhenItIsAUserMode) {
  ASSERT_TRUE(item(L"ECHO").setValue(40, false));
  EXPECT_EQ(set_.currentMode()->ECHO, -1);  // "KTV" keeps its own
  ASSERT_TRUE(set_.setCurrentMode(3));
  ASSERT_TRUE(set_.isUserMode());
  ASSERT_TRUE(item(L"ECHO").setValue(41, false));
  ASSERT_TRUE(item(L"Depth").setValue(42, false));
  EXPECT_EQ(set_.currentMode()->ECHO, 41);
  EXPECT_EQ(set_.currentMode()->Depth, 42);
  EXPECT_FALSE(set_.setCurrentMode(4));
}

TEST_F(Audio, ResetToDefaultsHonoursKeepMelodyAndTheDefaultUserMode) {
  ASSERT_TRUE(item(L"MELODY").setValue(64, false));
  set_.setKeepMelody(true);
  set_.resetToDefaults();
  EXPECT_EQ(item(L"VOL").value(), 65500);
  EXPECT_EQ(item(L"Accompany").value(), 60);
  EXPECT_EQ(item(L"MELODY").value(), 64);
  set_.setKeepMelody(false);
  set_.resetToDefaults();
  EXPECT_EQ(item(L"MELODY").value(), 25);
  EXPECT_EQ(set_.currentMode()->Name, L"KTV");

  // A user mode as the default: its depth and echo become the items' values.
  vktest::writeFile(appSets("Audio.xml"),
                    "<Set><AudioEffset CurSel=\"KTV\" Def=\"Mine\"><Item Name=\"KTV\" EffectID=\"6\"/>"
                    "<Item Name=\"Mine\" EffectID=\"7\" bUser=\"true\" Depth=\"30\" ECHO=\"31\"/></AudioEffset></Set>");
  ASSERT_TRUE(set_.LoadSets());
  set_.resetToDefaults();
  EXPECT_EQ(set_.currentMode()->Name, L"Mine");
  EXPECT_EQ(item(L"Depth").value(), 30);
  EXPECT_EQ(item(L"ECHO").value(), 31);
  EXPECT_EQ(set_.currentMode()->Depth, 30);
}

TEST_F(Audio, BuiltInsRoundTripInTheirFormat) {
  ASSERT_TRUE(set_.SaveSets());
  EXPECT_EQ(vktest::readFile(appSets("Audio.xml")), kBuiltInAudioXml);
  ASSERT_TRUE(item(L"KEY").setValue(2, false));
  ASSERT_TRUE(set_.setCurrentMode(1));
  ASSERT_TRUE(set_.SaveSets());

  CAudioSet back(wideAppSets("Audio.xml"));
  ASSERT_TRUE(back.LoadSets());
  EXPECT_EQ(back.getItem(L"KEY")->value(), 2);
  EXPECT_EQ(back.currentMode()->Name, L"Concert");
  EXPECT_EQ(back.defaultMode()->Name, L"KTV");
  ASSERT_TRUE(back.SaveSets());
  CAudioSet again(wideAppSets("Audio.xml"));
  ASSERT_TRUE(again.LoadSets());
  ASSERT_TRUE(again.SaveSets());
  // Two round trips change nothing.
  EXPECT_EQ(vktest::readFile(appSets("Audio.xml")), [&] {
    std::string s = kBuiltInAudioXml;
    s.replace(s.find("Cur=\"0\" Def=\"0\""), 7, "Cur=\"2\"");
    s.replace(s.find("CurSel=\"KTV\""), 12, "CurSel=\"Concert\"");
    return s;
  }());
}

TEST_F(Audio, FileItemsAreCheckedAgainstTheirOwnRange) {
  vktest::writeFile(appSets("Audio.xml"),
                    "<Set><Value>"
                    "<Item Name=\"Accompany\" Min=\"0\" Max=\"40\" Setup=\"2\" Cur=\"30\" Def=\"60\" Txt=\"a\"/>"
                    "<Item Name=\"KEY\" Min=\"-6\" Max=\"6\" Setup=\"1\" Cur=\"9\" Def=\"-2\"/>"
                    "<Item Name=\"Odd\" Min=\"10\" Max=\"1\" Cur=\"70\" Def=\"x\"/>"
                    "<Item Name=\"KEY\" Min=\"-6\" Max=\"6\" Setup=\"1\" Cur=\"-1\" Def=\"-2\"/>"
                    "</Value><Item Name=\"Stray\"/></Set>");
  ASSERT_TRUE(set_.LoadSets());
  EXPECT_EQ(item(L"Accompany").value(), 30);
  EXPECT_EQ(item(L"Accompany").defaultValue(), 50);  // "Def" outside its range: the fresh default
  EXPECT_EQ(item(L"KEY").value(), -1);               // the later "KEY" replaced the first
  EXPECT_EQ(item(L"Odd").min(), 0);                  // min > max refused: the fresh range
  EXPECT_EQ(item(L"Odd").value(), 70);
  EXPECT_EQ(item(L"Odd").defaultValue(), 0);
  EXPECT_EQ(set_.getItem(L"Stray"), nullptr);        // an "Item" outside both states
  EXPECT_TRUE(engine_.calls.empty());                // nothing is applied while loading
  // Built-ins the file lacks are there, and the built-in modes as it names none.
  EXPECT_EQ(item(L"TEMPO").value(), 100);
  ASSERT_EQ(set_.modes().size(), 4u);
  // Changes after loading are applied.
  ASSERT_TRUE(item(L"KEY").setValue(4, false));
  EXPECT_EQ(engine_.calls, std::vector<std::string>{"VokaSetKey(4)"});
}

TEST_F(Audio, CurSelNamingNoModeLeavesTheFirstModeCurrent) {
  vktest::writeFile(appSets("Audio.xml"),
                    "<Set><AudioEffset CurSel=\"Gone\" Def=\"Hall\"><Item Name=\"Room\" EffectID=\"2\"/>"
                    "<Item Name=\"Hall\" EffectID=\"3\" bUser=\"True\"/><Item Name=\"Hall\" EffectID=\"4\"/>"
                    "</AudioEffset></Set>");
  ASSERT_TRUE(set_.LoadSets());
  EXPECT_EQ(set_.currentMode()->Name, L"Room");
  EXPECT_EQ(set_.defaultMode()->EffectID, 3);  // the first of that name
  EXPECT_TRUE(set_.defaultMode()->bUser);
}

TEST_F(Audio, DamagedFileGivesTheBuiltInsWithWorkingApplication) {
  vktest::writeFile(appSets("Audio.xml"), kBuiltInAudioXml.substr(0, 900));
  ASSERT_TRUE(item(L"KEY").setValue(5, false));
  engine_.calls.clear();
  EXPECT_FALSE(set_.LoadSets());
  EXPECT_EQ(item(L"KEY").value(), 0);
  EXPECT_EQ(set_.modes().size(), 4u);
  EXPECT_EQ(set_.currentMode()->Name, L"KTV");
  ASSERT_TRUE(item(L"TEMPO").setValue(120, false));
  EXPECT_EQ(engine_.calls, std::vector<std::string>{"VokaSetTempo(120)"});
}

TEST(AudioWithoutGui, LoadingBeforeTheGuiExistsGivesTheBuiltIns) {
  RecordingEngine engine;
  CAudioSet set(L"/nonexistent/Audio.xml");
  set.setEngine(&engine);
  ASSERT_TRUE(set.getItem(L"KEY")->setValue(3, false));
  EXPECT_FALSE(set.LoadSets());
  ASSERT_NE(set.getItem(L"KEY"), nullptr);
  EXPECT_EQ(set.getItem(L"KEY")->value(), 0);
  ASSERT_TRUE(set.getItem(L"KEY")->setValue(-2, false));
  EXPECT_EQ(engine.calls, (std::vector<std::string>{"VokaSetKey(3)", "VokaSetKey(-2)"}));
}

namespace {
class DeviceFiles : public settest::SettingsGuiTest {};
}  // namespace

TEST_F(DeviceFiles, DeviceConfigKeepsTheFirstPathOfANameAndItsFormat) {
  vktest::writeFile(appSets("AudioDeviceConfig.xml"),
                    "<element Def=\"DefAudioCfg\" CurSel=\"USB Mic\">"
                    "<Item Name=\"USB Mic\" Path=\"/PKData/AppSets/USB Mic.xml\"/>"
                    "<Item Name=\"USB Mic\" Path=\"/other.xml\"/>"
                    "<Item Name=\"DefAudioCfg\" Path=\"./PKData/AppSets/DefAudioCfg.xml\"/></element>");
  CAudioDevConfigSet set(appSets("AudioDeviceConfig.xml").c_str());
  ASSERT_TRUE(set.LoadSets());
  CEGUI::String path;
  ASSERT_TRUE(set.configPath("USB Mic", path));
  EXPECT_EQ(path, "/PKData/AppSets/USB Mic.xml");
  EXPECT_EQ(set.currentSelection(), "USB Mic");
  EXPECT_FALSE(set.selectConfig("Unknown"));
  EXPECT_EQ(set.currentSelection(), "USB Mic");
  EXPECT_FALSE(set.addConfig("USB Mic", "/third.xml"));
  ASSERT_TRUE(set.selectConfig("DefAudioCfg"));
  ASSERT_TRUE(set.SaveSets());
  EXPECT_EQ(vktest::readFile(appSets("AudioDeviceConfig.xml")),
            kHeader +
                "<element Def=\"DefAudioCfg\" CurSel=\"DefAudioCfg\" >\n"
                "    <Item Name=\"DefAudioCfg\" Path=\"./PKData/AppSets/DefAudioCfg.xml\" />\n"
                "    <Item Name=\"USB Mic\" Path=\"/PKData/AppSets/USB Mic.xml\" />\n"
                "</element>\n");
}

TEST_F(DeviceFiles, DamagedDeviceConfigGivesTheSingleDefaultEntry) {
  vktest::writeFile(appSets("AudioDeviceConfig.xml"),
                    "<element CurSel=\"USB\"><Item Name=\"USB\" Path=\"/u.xml\"/>");
  CAudioDevConfigSet set(appSets("AudioDeviceConfig.xml").c_str());
  EXPECT_FALSE(set.LoadSets());
  EXPECT_EQ(set.configs().size(), 1u);
  CEGUI::String path;
  ASSERT_TRUE(set.configPath("DefAudioCfg", path));
  EXPECT_EQ(path, "./PKData/AppSets/DefAudioCfg.xml");
  EXPECT_EQ(set.currentSelection(), "DefAudioCfg");
  EXPECT_EQ(set.defaultName(), "DefAudioCfg");
}

// Catches a delay kept per microphone only (a new output changes the path), a damaged entry
// that turns into a wrong delay, and a file without delays that the old readers cannot read.
TEST_F(DeviceFiles, MicDelaysAreKeptPerOutputAndInputPair) {
  vktest::writeFile(appSets("AudioDeviceConfig.xml"),
                    "<element Def=\"DefAudioCfg\" CurSel=\"DefAudioCfg\">"
                    "<Item Name=\"DefAudioCfg\" Path=\"./PKData/AppSets/DefAudioCfg.xml\"/>"
                    "<MicDelay Out=\"HDMI\" In=\"USB Mic\" Ms=\"abc\"/>"
                    "<MicDelay Out=\"HDMI\" In=\"Webcam\" Ms=\"-5\"/></element>");
  CAudioDevConfigSet set(appSets("AudioDeviceConfig.xml").c_str());
  ASSERT_TRUE(set.LoadSets());
  EXPECT_TRUE(set.micDelays().empty());  // damaged entries are measured afresh
  EXPECT_FALSE(set.setMicDelay("Speakers", "USB Mic", 2001));
  ASSERT_TRUE(set.setMicDelay("Speakers", "USB Mic", 38));
  ASSERT_TRUE(set.setMicDelay("HDMI", "USB Mic", 151));
  ASSERT_TRUE(set.setMicDelay("", "", 0));  // the system's default devices
  ASSERT_TRUE(set.SaveSets());
  CAudioDevConfigSet back(appSets("AudioDeviceConfig.xml").c_str());
  ASSERT_TRUE(back.LoadSets());
  EXPECT_EQ(back.micDelay("Speakers", "USB Mic"), 38);
  EXPECT_EQ(back.micDelay("HDMI", "USB Mic"), 151);
  EXPECT_EQ(back.micDelay("", ""), 0);
  EXPECT_EQ(back.micDelay("USB Mic", "Speakers"), std::nullopt);
  CEGUI::String path;
  EXPECT_TRUE(back.configPath("DefAudioCfg", path));
}

TEST_F(DeviceFiles, DeviceUseWritesInputThenOutputAndReadsThemBack) {
  CAudioDevUseSet set(appSets("AudioDevUse.xml").c_str());
  EXPECT_FALSE(set.LoadSets());  // missing: empty names, index 0
  EXPECT_EQ(set.input().name, L"");
  EXPECT_EQ(set.output().id, 0u);
  set.setInput({L"麦克风 (USB)", 2});
  set.setOutput({L"Speakers", 1});
  ASSERT_TRUE(set.SaveSets());
  EXPECT_EQ(vktest::readFile(appSets("AudioDevUse.xml")),
            kHeader +
                "<AudioDevUse >\n"
                "    <Item Name=\"AudioIn\" DevName=\"麦克风 (USB)\" DevID=\"2\" />\n"
                "    <Item Name=\"AudiOut\" DevName=\"Speakers\" DevID=\"1\" />\n"
                "</AudioDevUse>\n");
  CAudioDevUseSet back(appSets("AudioDevUse.xml").c_str());
  ASSERT_TRUE(back.LoadSets());
  EXPECT_EQ(back.input().name, L"麦克风 (USB)");
  EXPECT_EQ(back.input().id, 2u);
  EXPECT_EQ(back.output().name, L"Speakers");
}

TEST_F(DeviceFiles, DeviceUseIgnoresOtherItemsAndReadsIndicesAsUnsigned) {
  vktest::writeFile(appSets("AudioDevUse.xml"),
                    "<AudioDevUse><Item Name=\"AudioOut\" DevName=\"x\" DevID=\"5\"/>"
                    "<Item Name=\"AudiOut\" DevName=\"y\" DevID=\"-1\"/><Item Name=\"AudioIn\"/></AudioDevUse>");
  CAudioDevUseSet set(appSets("AudioDevUse.xml").c_str());
  set.setInput({L"before", 9});
  ASSERT_TRUE(set.LoadSets());
  EXPECT_EQ(set.output().name, L"y");
  EXPECT_EQ(set.output().id, 4294967295u);
  EXPECT_EQ(set.input().name, L"");  // the "AudioIn" item without attributes
  EXPECT_EQ(set.input().id, 0u);
  CAudioDevUseSet unwritable((appSets("none") + "/AudioDevUse.xml").c_str());
  EXPECT_FALSE(unwritable.SaveSets());
}

TEST(DeviceUseWithoutGui, ReadingFailsInsteadOfCrashing) {
  vktest::TempDir dir;
  vktest::writeFile(dir.file("AudioDevUse.xml"), "<AudioDevUse><Item Name=\"AudioIn\" DevName=\"m\"/></AudioDevUse>");
  CAudioDevUseSet set(dir.file("AudioDevUse.xml").c_str());
  EXPECT_FALSE(set.LoadSets());
  EXPECT_EQ(set.input().name, L"");
}
