// The device manager: the start-up choice (launcher or saved, checked against the lists),
// each microphone's settings file, a lost device, new choices during a song, the dialog's
// outcome.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "AppSet/AudioDevConfigSet.h"
#include "AppSet/AudioDevUseSet.h"
#include "AppSet/AudioEngine.h"
#include "AppSet/AudioSet.h"
#include "TestSupport.h"
#include "app/TextConvert.h"
#include "audio/AudioDeviceManager.h"
#include "oscompat/Utf.h"

namespace {

// The engine and the component, writing down what they are told.
struct Calls : IDeviceEngine, IAudioEngine, IAudioComponent {
  std::vector<std::wstring> outputs{L"Speakers", L"HDMI", L"USB Headset"};
  std::vector<std::wstring> inputs{L"Built-in Mic", L"USB Headset"};
  std::vector<std::string> log;

  std::vector<std::wstring> deviceNames(bool input) override { return input ? inputs : outputs; }
  int VokaSetAudioID(int i) override { return add("VokaSetAudioID", i, outputs); }
  int VokaSetAudioInID(int i) override { return add("VokaSetAudioInID", i, inputs); }
  int VokaSetDeviceError(int v) override { return add("VokaSetDeviceError", v); }
  int MicSetRoomMode(int v) override { return add("MicSetRoomMode", v); }
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
  void selectOutputDevice(const std::wstring& n) override { log.push_back("output " + oscompat::utf8FromWide(n)); }
  void selectInputDevice(const std::wstring& n) override { log.push_back("input " + oscompat::utf8FromWide(n)); }

  int add(const char* name, int v, const std::vector<std::wstring>& list) {
    add(name, v);
    return v >= -1 && v < static_cast<int>(list.size()) ? 0 : -3;  // as the engine refuses
  }
  int add(const char* name, int v) {
    log.push_back(std::string(name) + "(" + std::to_string(v) + ")");
    return 0;
  }
  // The calls whose text starts with `prefix`.
  std::vector<std::string> only(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& c : log)
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
  }
};

class Devices : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    std::filesystem::create_directories(install_.path() + "/PKData/AppSets");
    config_ = std::make_unique<CAudioDevConfigSet>(guiStringUtf8(appSets("AudioDeviceConfig.xml")));
    use_ = std::make_unique<CAudioDevUseSet>(guiStringUtf8(appSets("AudioDevUse.xml")));
    settings_ = std::make_unique<CAudioSet>(oscompat::wideFromUtf8(appSets("Audio.xml")));
    settings_->setEngine(&calls_);
    settings_->LoadSets();
    manager_ = std::make_unique<AudioDeviceManager>(calls_, oscompat::wideFromUtf8(install_.path()));
    manager_->setSets(config_.get(), settings_.get(), use_.get(), &calls_);
    manager_->setComponent(&calls_);
  }
  std::string appSets(const std::string& name) const { return install_.path() + "/PKData/AppSets/" + name; }
  void save(const AudioDeviceChoice& c) {
    use_->setOutput({c.outputName, static_cast<unsigned>(c.outputIndex)});
    use_->setInput({c.inputName, static_cast<unsigned>(c.inputIndex)});
  }
  int value(const wchar_t* name) const { return settings_->getItem(name)->value(); }

  Calls calls_;
  std::unique_ptr<CAudioDevConfigSet> config_;
  std::unique_ptr<CAudioDevUseSet> use_;
  std::unique_ptr<CAudioSet> settings_;
  std::unique_ptr<AudioDeviceManager> manager_;
};

// A saved choice and what start-up makes of it without the launcher.
struct SavedCase {
  const char* label;
  AudioDeviceChoice saved;
  AudioDeviceChoice expected;
};
void PrintTo(const SavedCase& c, std::ostream* os) { *os << c.label; }

class SavedChoice : public Devices, public ::testing::WithParamInterface<SavedCase> {};

TEST_P(SavedChoice, IsCheckedAgainstTheListedNames) {
  save(GetParam().saved);
  const AudioDeviceChoice applied = manager_->startUp(false);
  const AudioDeviceChoice& want = GetParam().expected;
  EXPECT_EQ(applied, want);
  EXPECT_EQ(calls_.only("VokaSetAudio"),
            (std::vector<std::string>{"VokaSetAudioID(" + std::to_string(want.outputIndex) + ")",
                                      "VokaSetAudioInID(" + std::to_string(want.inputIndex) + ")"}));
  // Saved as applied, and the microphone is the configuration's current device.
  CAudioDevUseSet reread(guiStringUtf8(appSets("AudioDevUse.xml")));
  ASSERT_TRUE(reread.LoadSets());
  EXPECT_EQ(reread.input().name, want.inputName);
  EXPECT_EQ(reread.output().id, static_cast<unsigned>(want.outputIndex));
  EXPECT_EQ(config_->currentSelection(), guiString(want.inputName));
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, SavedChoice,
    ::testing::Values(
        SavedCase{"Valid", {L"HDMI", 1, L"USB Headset", 1}, {L"HDMI", 1, L"USB Headset", 1}},
        // The list's order changed: the saved devices are found by name.
        SavedCase{"Moved", {L"USB Headset", 0, L"Built-in Mic", 1}, {L"USB Headset", 2, L"Built-in Mic", 0}},
        // The saved devices are gone: whatever is at their indices.
        SavedCase{"Gone", {L"Old Card", 1, L"Old Mic", 0}, {L"HDMI", 1, L"Built-in Mic", 0}},
        // First run: nothing saved, the first devices.
        SavedCase{"FirstRun", {L"", 0, L"", 0}, {L"Speakers", 0, L"Built-in Mic", 0}},
        // An index outside the list keeps the saved name (the engine refuses the index).
        SavedCase{"OutOfRange", {L"Old Card", 7, L"Old Mic", 5}, {L"Old Card", 7, L"Old Mic", 5}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(Devices, TheLaunchersChoiceWinsWithoutACheck) {
  save({L"HDMI", 1, L"USB Headset", 1});
  manager_->setLauncherDevices(0, L"Launcher Mic", 2, L"Launcher Out");
  const AudioDeviceChoice applied = manager_->startUp(true);
  EXPECT_EQ(applied, (AudioDeviceChoice{L"Launcher Out", 2, L"Launcher Mic", 0}));
  EXPECT_EQ(calls_.only("VokaSetAudio"), (std::vector<std::string>{"VokaSetAudioID(2)", "VokaSetAudioInID(0)"}));
  EXPECT_EQ(calls_.only("output"), std::vector<std::string>{"output Launcher Out"});
  EXPECT_EQ(use_->input().name, L"Launcher Mic");
}

// Start-up applies the microphone's settings in the engine's order, then the system levels.
TEST_F(Devices, StartUpAppliesEverySettingInOrder) {
  manager_->startUp(false);
  const std::vector<std::string> applied(calls_.log.end() - 11, calls_.log.end());
  EXPECT_EQ(applied, (std::vector<std::string>{"MicSetRoomMode(6)", "VokaSetVolume(60)", "MicSetEchoDeep(76)",
                                               "MicSetEchoLevel(110)", "VokaSetKey(0)", "MidiSetMelodyVolume(25)",
                                               "VokaSetTempo(100)", "MicSetVolume(115)", "masterVolume(65500)",
                                               "microphoneLevel(65535)", "monitorLevel(30000)"}));
}

// Each microphone has its own file: a first-time microphone gets one with the defaults (its
// name's "/" and "\" as spaces); choosing it again later reloads what was set.
TEST_F(Devices, EachMicrophoneKeepsItsOwnSettingsFile) {
  const std::wstring odd = L"USB/Mic\\Line 1";
  manager_->selectAudioSettingsFor(odd);
  const std::string file = appSets("USB Mic Line 1.xml");
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(value(L"VOL"), 65500);  // the default, not the built-in value
  CEGUI::String stored;
  ASSERT_TRUE(config_->configPath(guiString(odd), stored));
  EXPECT_EQ(stored, "/PKData/AppSets/USB Mic Line 1.xml");
  ASSERT_TRUE(settings_->getItem(L"ECHO")->setValue(40, true));
  ASSERT_TRUE(settings_->SaveSets());

  manager_->selectAudioSettingsFor(L"Built-in Mic");
  EXPECT_EQ(value(L"ECHO"), 110);
  manager_->selectAudioSettingsFor(odd);
  EXPECT_EQ(value(L"ECHO"), 40);
  // The configuration remembers both across a reload.
  CAudioDevConfigSet reread(guiStringUtf8(appSets("AudioDeviceConfig.xml")));
  ASSERT_TRUE(reread.LoadSets());
  EXPECT_TRUE(reread.configPath(guiString(L"Built-in Mic"), stored));
  EXPECT_EQ(reread.currentSelection(), guiString(odd));
}

// Device names with every odd character still name one file in the settings folder, and
// different names different files.
TEST_F(Devices, OddDeviceNamesGiveOneFileEach) {
  const std::vector<std::wstring> names = {
      L"..", L".", L"", L"a/../../b", L"tab\tnew\nline", L"麦克风 (Realtek® Audio) #2 <>:\"|?*",
      std::wstring(300, L'长'), std::wstring(300, L'长') + L"x"};
  std::set<std::wstring> files;
  for (const std::wstring& name : names) {
    const std::wstring file = AudioDeviceManager::settingsFileFor(name);
    const std::filesystem::path path(oscompat::utf8FromWide(file));
    EXPECT_EQ(path.parent_path(), "/PKData/AppSets") << oscompat::utf8FromWide(name);
    EXPECT_NE(path.filename(), "..");
    EXPECT_LE(path.filename().string().size(), 200u);
    files.insert(file);
    manager_->selectAudioSettingsFor(name);
    EXPECT_TRUE(std::filesystem::exists(install_.path() + oscompat::utf8FromWide(file)));
  }
  EXPECT_EQ(files.size(), names.size());
}

// A damaged settings file is kept aside as NAME.bad and the microphone gets the defaults.
TEST_F(Devices, ADamagedSettingsFileGivesDefaults) {
  manager_->selectAudioSettingsFor(L"USB Headset");
  manager_->selectAudioSettingsFor(L"Built-in Mic");
  vktest::writeFile(appSets("USB Headset.xml"), "<Set><Value><Item Name=\"VOL\" Cur=");
  manager_->selectAudioSettingsFor(L"USB Headset");
  EXPECT_TRUE(std::filesystem::exists(appSets("USB Headset.xml.bad")));
  EXPECT_EQ(value(L"Accompany"), 80);
}

// After a lost device the engine stays in its error state: nothing else is touched until the
// next choice clears it and applies the devices.
TEST_F(Devices, ALostDeviceKeepsTheErrorStateUntilTheNextChoice) {
  manager_->startUp(false);
  calls_.log.clear();
  manager_->deviceLost();
  EXPECT_EQ(calls_.log, std::vector<std::string>{"VokaSetDeviceError(1)"});
  EXPECT_TRUE(manager_->deviceError());
  calls_.log.clear();
  manager_->applyChoice({L"USB Headset", 2, L"USB Headset", 1});
  ASSERT_GE(calls_.log.size(), 3u);
  EXPECT_EQ(calls_.log[0], "VokaSetDeviceError(0)");
  EXPECT_EQ(calls_.only("VokaSetAudio"), (std::vector<std::string>{"VokaSetAudioID(2)", "VokaSetAudioInID(1)"}));
  EXPECT_FALSE(manager_->deviceError());
}

// The list changed between the choice and its use: the name decides, not the old index.
TEST_F(Devices, ANewChoiceFollowsItsNamesInTheListOfNow) {
  manager_->startUp(false);
  calls_.outputs = {L"USB Headset", L"Speakers"};
  calls_.log.clear();
  manager_->applyChoice({L"Speakers", 0, L"Built-in Mic", 0});
  EXPECT_EQ(calls_.only("VokaSetAudioID"), std::vector<std::string>{"VokaSetAudioID(1)"});
  EXPECT_EQ(use_->output().id, 1u);
}

// A new microphone during a song: its own settings come in, but the song's key, tempo and
// guide melody stay as the singer has them.
TEST_F(Devices, ANewChoiceDuringASongKeepsTheSongsKeyTempoAndMelody) {
  manager_->startUp(false);
  ASSERT_TRUE(settings_->getItem(L"KEY")->setValue(3, true));
  ASSERT_TRUE(settings_->getItem(L"TEMPO")->setValue(110, true));
  ASSERT_TRUE(settings_->getItem(L"MELODY")->setValue(0, true));
  manager_->applyChoice({L"Speakers", 0, L"USB Headset", 1}, true);
  EXPECT_EQ(value(L"KEY"), 3);
  EXPECT_EQ(value(L"TEMPO"), 110);
  EXPECT_EQ(value(L"MELODY"), 0);
  EXPECT_EQ(calls_.only("VokaSetKey").back(), "VokaSetKey(3)");
  manager_->applyChoice({L"Speakers", 0, L"Line In", 0}, false);  // between songs: the new file's
  EXPECT_EQ(value(L"KEY"), 0);
}

TEST_F(Devices, TheDialogsOutcome) {
  save({L"HDMI", 1, L"USB Headset", 1});
  manager_->startUp(false);
  AudioDeviceChoice outcome;
  // Apply with the devices in use, nothing changed: nothing to do.
  EXPECT_FALSE(manager_->dialogOutcome(1, L"HDMI", L"USB Headset", outcome));
  // Apply with another output, an input no longer listed: the saved input stays.
  EXPECT_TRUE(manager_->dialogOutcome(1, L"Speakers", L"Gone Mic", outcome));
  EXPECT_EQ(outcome, (AudioDeviceChoice{L"Speakers", 0, L"USB Headset", 1}));
  // Close: the saved choice, applied again only when the lists had changed.
  EXPECT_FALSE(manager_->dialogOutcome(0, L"Speakers", L"Built-in Mic", outcome));
  manager_->markChanged();
  EXPECT_TRUE(manager_->dialogOutcome(0, L"Speakers", L"Built-in Mic", outcome));
  EXPECT_EQ(outcome, (AudioDeviceChoice{L"HDMI", 1, L"USB Headset", 1}));
  // Close when the saved devices are gone: nothing to apply.
  calls_.outputs = {L"Other"};
  manager_->enumerateDevices();
  EXPECT_FALSE(manager_->dialogOutcome(0, L"", L"", outcome));
}

// No sound card: empty lists; start-up goes on with the saved choice.
TEST_F(Devices, WithoutASoundCardStartUpGoesOn) {
  calls_.outputs.clear();
  calls_.inputs.clear();
  save({L"HDMI", 1, L"USB Headset", 1});
  EXPECT_FALSE(manager_->enumerateDevices());
  EXPECT_EQ(manager_->startUp(false), (AudioDeviceChoice{L"HDMI", 1, L"USB Headset", 1}));
  EXPECT_TRUE(std::filesystem::exists(appSets("USB Headset.xml")));
}

}  // namespace
