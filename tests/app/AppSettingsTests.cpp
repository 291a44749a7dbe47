// The application's settings at start-up and clean-up: Config.xml before the GUI, the
// registry loaded at the end of start-up and saved in the clean-up, damaged files, the
// components, the launcher's device choice.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>

#include "AppSet/AudioDevUseSet.h"
#include "AppSet/AudioSet.h"
#include "AppSet/KeyMap.h"
#include "TestSupport.h"
#include "app/DeviceChoice.h"
#include "oscompat/Utf.h"
#include "app/VokaranPlayerApp.h"
#include "guishell/Win32AppHelper.h"
#include "vokaran/Vokaran.h"

namespace fs = std::filesystem;

namespace {

class AppSettings : public ::testing::Test {
 protected:
  void SetUp() override { CEGUI::Exception::setStdErrEnabled(false); }
  void TearDown() override { app_.reset(); }

  std::string appSets(const std::string& name) const { return install_.path() + "/PKData/AppSets/" + name; }
  void write(const std::string& name, const std::string& text) { vktest::writeFile(appSets(name), text); }

  void create() {
    app_ = std::make_unique<VokaranPlayerApp>();
    app_->setHeadless(true);
    app_->setClock(&clock_);
  }
  void start() {
    if (!app_) create();
    ASSERT_TRUE(app_->startUp());
    ASSERT_TRUE(app_->pumpUntil([&] { return app_->startupDone(); }));
  }
  void stop() { app_->shutDown(); }

  vktest::ScratchInstallation install_;
  guishell::VirtualClock clock_;
  std::unique_ptr<VokaranPlayerApp> app_;
};

const char* const kWrittenAtExit[] = {"KEYMAP.xml", "TunedInfo.xml", "UserSet.xml", "device.xml"};

}  // namespace

TEST_F(AppSettings, FirstRunWritesEveryRegisteredFileWithItsDefaults) {
  start();
  for (const char* name : kWrittenAtExit) EXPECT_FALSE(fs::exists(appSets(name))) << name;
  stop();
  for (const char* name : kWrittenAtExit) EXPECT_TRUE(fs::exists(appSets(name))) << name;
  const std::string keys = vktest::readFile(appSets("KEYMAP.xml"));
  size_t items = 0;
  for (size_t at = keys.find("<Item "); at != std::string::npos; at = keys.find("<Item ", at + 1)) ++items;
  EXPECT_EQ(items, 11u);
  EXPECT_NE(keys.find("Name=\"Dwon\" Value=\"208\""), std::string::npos);
  // The audio settings are the microphone's own file, made with the defaults on its first use.
  int audioFiles = 0;
  for (const auto& e : fs::directory_iterator(fs::path(appSets("KEYMAP.xml")).parent_path()))
    if (vktest::readFile(e.path().string()).find("<AudioEffset CurSel=\"KTV\" Def=\"KTV\" >") != std::string::npos)
      ++audioFiles;
  EXPECT_EQ(audioFiles, 1);
}

TEST_F(AppSettings, FilesAreReadAtTheEndOfStartUpAndWrittenBackAtExit) {
  write("KEYMAP.xml", "<KEYMAP><Item Name=\"Exit\" Value=\"16\" VKValue=\"VK_Q\" Comment=\"退出\"/></KEYMAP>");
  write("UserSet.xml", "<UserSet><Item Name=\"AutoHidems\" Value=\"5000\"/><Item Name=\"Theme\" Value=\"夜\"/></UserSet>");
  write("Audio.xml", "<Set><Value><Item Name=\"KEY\" Min=\"-6\" Max=\"6\" Setup=\"1\" Cur=\"3\" Def=\"0\"/></Value></Set>");
  start();
  EXPECT_EQ(keyMapCode(L"Exit"), 16);
  EXPECT_EQ(keyMapCode(L"Back"), 1);
  EXPECT_EQ(app_->autoHideMs(), 5000);
  EXPECT_EQ(app_->audioSet().getItem(L"KEY")->value(), 3);
  ASSERT_TRUE(app_->audioSet().getItem(L"KEY")->setValue(-2, false));
  stop();
  // The unknown entry goes back unchanged, the change made while running is kept.
  EXPECT_NE(vktest::readFile(appSets("UserSet.xml")).find("<Item Name=\"Theme\" Value=\"夜\" />"), std::string::npos);
  // The microphone new here started from the shared Audio.xml; its own file keeps the change.
  const std::string micFile = oscompat::utf8FromWide(app_->audioSet().path());
  EXPECT_NE(micFile.find("/PKData/AppSets/"), std::string::npos);
  EXPECT_NE(vktest::readFile(micFile).find("Name=\"KEY\" Min=\"-6\" Max=\"6\" Setup=\"1\" Cur=\"-2\""),
            std::string::npos);
  EXPECT_NE(vktest::readFile(appSets("KEYMAP.xml")).find("Name=\"Exit\" Value=\"16\""), std::string::npos);
}

// Hand-damaged settings: the module starts as usual with the defaults, keeps the damaged
// bytes beside the file, and leaves whole files behind.
TEST_F(AppSettings, DamagedUserSetAndAudioFilesStartWithDefaults) {
  const std::string damagedUser = "<UserSet><Item Name=\"AutoHidems\" Value=\"5000\"/><Item Name=\"Sk";
  const std::string damagedAudio = "<Set><Value><Item Name=\"KEY\" Cur=\"\xff\xfe\"/></Value></Set>";
  write("UserSet.xml", damagedUser);
  write("Audio.xml", damagedAudio);
  start();
  EXPECT_EQ(app_->autoHideMs(), 10000);
  ASSERT_NE(app_->audioSet().getItem(L"VOL"), nullptr);
  // The built-in value (no microphone listed: the shared file's settings), or the default a
  // microphone new here starts with when the shared file cannot be read.
  const int vol = app_->audioSet().getItem(L"VOL")->value();
  EXPECT_TRUE(vol == 65535 || vol == 65500) << vol;
  EXPECT_EQ(app_->audioSet().modes().size(), 4u);
  stop();
  EXPECT_EQ(vktest::readFile(appSets("UserSet.xml.bad")), damagedUser);
  EXPECT_EQ(vktest::readFile(appSets("Audio.xml.bad")), damagedAudio);
  // The next start reads every file.
  create();
  start();
  EXPECT_NE(install_.log().find("5 of 5 settings files read"), std::string::npos);
}

struct ConfigCase {
  const char* name;
  const char* file;
  bool windowed;
  int width, height;
};
void PrintTo(const ConfigCase& c, std::ostream* os) { *os << c.name; }

class AppConfig : public AppSettings, public ::testing::WithParamInterface<ConfigCase> {};

// Config.xml is read in the constructor, before the GUI exists, and decides the window.
TEST_P(AppConfig, DecidesTheWindowBeforeTheGuiExists) {
  if (*GetParam().file) write("Config.xml", GetParam().file);
  create();
  EXPECT_EQ(app_->windowSettings().windowed, GetParam().windowed);
  EXPECT_EQ(app_->windowSettings().width, GetParam().width);
  EXPECT_EQ(app_->windowSettings().height, GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(
    Files, AppConfig,
    ::testing::Values(
        ConfigCase{"Missing", "", true, 1440, 900},
        ConfigCase{"FullScreenWithSize",
                   "<Config><FullScreen Value=\"true\"/><WndSize Width=\"1280\" Height=\"720\"/></Config>", false, 1280, 720},
        ConfigCase{"WithoutSize", "<Config><FullScreen Value=\"false\"/></Config>", true, 1440, 900},
        ConfigCase{"UnusableSize", "<Config><FullScreen Value=\"True\"/><WndSize Width=\"abc\" Height=\"-5\"/></Config>",
                   false, 1440, 900},
        ConfigCase{"AbsurdSize", "<Config><WndSize Width=\"99999999999\" Height=\"900\"/></Config>", true, 1440, 900},
        ConfigCase{"Damaged", "<Config><FullScreen Value=\"true\"/><WndSize Width=\"800\"", true, 1440, 900}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppSettings, AudioSettingChangesReachTheEngine) {
  start();
  Item* melody = app_->audioSet().getItem(L"MELODY");
  ASSERT_NE(melody, nullptr);
  ASSERT_TRUE(melody->setValue(64, true));
  EXPECT_EQ(MidiGetMelodyVolume(), 64);
  ASSERT_TRUE(melody->setValue(9, true));
  EXPECT_EQ(MidiGetMelodyVolume(), 9);
}

TEST_F(AppSettings, ComponentsAreRegisteredAtStartAndUnregisteredAtExit) {
  const std::string log = install_.path() + "/components.log";
  setenv("VK_TEST_COMPONENT_LOG", log.c_str(), 1);
  write("ocx.xml", std::string("<ROOT><ITEM PATH=\"") + VK_COMPONENT_OK + "\"/></ROOT>");
  start();
  EXPECT_EQ(vktest::readFile(log), "register ok\n");
  stop();
  EXPECT_EQ(vktest::readFile(log), "register ok\nunregister ok\n");
  unsetenv("VK_TEST_COMPONENT_LOG");
}

TEST_F(AppSettings, LauncherDeviceChoiceIsStoredInTheDeviceUseFile) {
  start();
  const DeviceChoice choice = DeviceChoice::make(1, L"扬声器", 2, L"USB 麦克风");
  std::vector<uint8_t> bytes(sizeof(choice));
  std::memcpy(bytes.data(), &choice, sizeof(choice));
  Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), Win32AppHelper::eventSettingAudioDevChange,
                            new LauncherDataEventArgs(bytes), "");
  app_->advance(0);
  CAudioDevUseSet saved(appSets("AudioDevUse.xml").c_str());
  ASSERT_TRUE(saved.LoadSets());
  EXPECT_EQ(saved.input().name, L"USB 麦克风");
  EXPECT_EQ(saved.input().id, 2u);
  EXPECT_EQ(saved.output().name, L"扬声器");
  EXPECT_EQ(saved.output().id, 1u);
}
