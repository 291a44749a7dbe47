#pragma once
// Shared helpers of the test suites: scratch folders, a scratch installation and a headless
// shell on a virtual clock.
#include <CEGUI/String.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "guishell/CEGuiSample.h"
#include "guishell/ShellClock.h"

namespace CEGUI {
class Window;
}

namespace vktest {

// A scratch folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

// A scratch installation: the GUI data files linked from the build's installation folder, a
// copy of its shipped PKData, empty Temp and Record folders. The module directory points at it while it
// lives.
class ScratchInstallation {
 public:
  ScratchInstallation();
  ~ScratchInstallation();
  const std::string& path() const { return dir_.path(); }
  std::string log() const { return readFile(dir_.file("CEGUI.log")); }

 private:
  TempDir dir_;
};

// A headless shell with the module's scheme and an empty sheet named "Root".
class TestShell : public CEGuiSample {
 public:
  std::function<void()> onInitialise;
  std::function<void()> onCleanup;
  CEGUI::Window* sheet = nullptr;

 protected:
  bool initialiseApp() override;
  void cleanupApp() override;
};

// Fixture for GUI behaviour: a started headless shell on a virtual clock.
class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  CEGUI::Window* sheet() const { return shell_->sheet; }
  TestShell& shell() { return *shell_; }
  void advance(uint64_t ms) { shell_->advance(ms); }
  // Loads a layout of the installation and adds it to the sheet.
  CEGUI::Window* loadLayout(const CEGUI::String& file);
  void pressKey(unsigned scancode);

  ScratchInstallation install_;
  guishell::VirtualClock clock_;
  std::unique_ptr<TestShell> shell_;
};

// Pictures: a lyric line (UTF-8 text) where a song draws one, `top` relative to `parent`, in
// the colour "AARRGGBB".
void addLyricLine(CEGUI::Window* parent, float top, const char* utf8, const char* colour);

}  // namespace vktest
