#include "TestSupport.h"

#include <CEGUI/CEGUI.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "oscompat/Paths.h"
#include "widgets/WidgetRegistration.h"

namespace fs = std::filesystem;

namespace vktest {

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "vktest-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out << content;
}

ScratchInstallation::ScratchInstallation() {
  // The GUI data files are linked from the build, except the practice layout, which runs
  // rewrite: it is a copy of the one the source tree ships.
  const fs::path data = fs::path(VK_DIST_DIR) / "datafiles";
  const fs::path scratchData = fs::path(dir_.path()) / "datafiles";
  fs::create_directories(scratchData / "layouts");
  for (const auto& entry : fs::directory_iterator(data))
    if (entry.path().filename() != "layouts") fs::create_symlink(entry.path(), scratchData / entry.path().filename());
  for (const auto& entry : fs::directory_iterator(data / "layouts"))
    if (entry.path().filename() != "PK_MainMenuPractice.layout")
      fs::create_symlink(entry.path(), scratchData / "layouts" / entry.path().filename());
  fs::copy_file(fs::path(VK_SOURCE_DIR) / "datafiles" / "layouts" / "PK_MainMenuPractice.layout",
                scratchData / "layouts" / "PK_MainMenuPractice.layout");
  // The shipped data (the engine's data file, default settings, pictures) as the build
  // assembled it, then room for what runs write. Only what the source tree ships: settings a
  // run of the built module wrote into build/dist must not leak into a test.
  const fs::path source = fs::path(VK_SOURCE_DIR) / "PKData";
  for (const auto& entry : fs::recursive_directory_iterator(source)) {
    if (!entry.is_regular_file()) continue;
    fs::path rel = fs::relative(entry.path(), source);
    if (rel == "CMakeLists.txt") continue;
    if (rel.extension() == ".svg") rel.replace_extension(".png");  // rendered by the build
    // Settings files are shipped as they are, and runs of the module rewrite them in build/dist
    // (the sang list, for one): they come from the source tree.
    const bool setting = *rel.begin() == "AppSets";
    const fs::path built = setting ? entry.path() : fs::path(VK_DIST_DIR) / "PKData" / rel;
    if (!fs::exists(built)) continue;
    fs::create_directories((fs::path(dir_.path()) / "PKData" / rel).parent_path());
    fs::copy_file(built, fs::path(dir_.path()) / "PKData" / rel);
  }
  fs::create_directories(fs::path(dir_.path()) / "PKData" / "AppSets");
  fs::create_directories(fs::path(dir_.path()) / "Temp");
  fs::create_directories(fs::path(dir_.path()) / "Record");
  // The encoding profiles, as shipped.
  for (const auto& entry : fs::directory_iterator(fs::path(VK_SOURCE_DIR) / "Record"))
    if (entry.path().extension() == ".prx")
      fs::copy_file(entry.path(), fs::path(dir_.path()) / "Record" / entry.path().filename());
  oscompat::setModuleDirectoryOverride(dir_.path());
}

ScratchInstallation::~ScratchInstallation() { oscompat::setModuleDirectoryOverride(""); }

bool TestShell::initialiseApp() {
  registerWidgets();
  CEGUI::SchemeManager::getSingleton().createFromFile("TaharezLook.scheme");
  CEGUI::System::getSingleton().getDefaultGUIContext().setDefaultFont("MSYH_20");
  sheet = CEGUI::WindowManager::getSingleton().createWindow("DefaultWindow", "Root");
  sheet->setArea(CEGUI::URect(CEGUI::UDim(0, 0), CEGUI::UDim(0, 0), CEGUI::UDim(1, 0), CEGUI::UDim(1, 0)));
  guiContext().setRootWindow(sheet);
  if (onInitialise) onInitialise();
  return true;
}

void TestShell::cleanupApp() {
  if (onCleanup) onCleanup();
}

void GuiTest::SetUp() {
  CEGUI::Exception::setStdErrEnabled(false);
  shell_ = std::make_unique<TestShell>();
  shell_->setHeadless(true);
  shell_->setClock(&clock_);
  ASSERT_TRUE(shell_->startUp());
}

void GuiTest::TearDown() {
  if (shell_) shell_->shutDown();
  shell_.reset();
}

CEGUI::Window* GuiTest::loadLayout(const CEGUI::String& file) {
  CEGUI::Window* w = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(file);
  sheet()->addChild(w);
  return w;
}

void GuiTest::pressKey(unsigned scancode) {
  shell_->injectKeyDown(static_cast<CEGUI::Key::Scan>(scancode));
  shell_->injectKeyUp(static_cast<CEGUI::Key::Scan>(scancode));
}

void addLyricLine(CEGUI::Window* parent, float top, const char* utf8, const char* colour) {
  CEGUI::Window* line = CEGUI::WindowManager::getSingleton().createWindow("TaharezLook/StaticText");
  line->setArea(CEGUI::URect(CEGUI::UDim(0.1f, 0), CEGUI::UDim(top, 0), CEGUI::UDim(0.9f, 0), CEGUI::UDim(top + 0.09f, 0)));
  line->setText(reinterpret_cast<const CEGUI::utf8*>(utf8));
  line->setFont("MSYH_40");
  line->setProperty("FrameEnabled", "false");
  line->setProperty("BackgroundEnabled", "false");
  line->setProperty("HorzFormatting", "CentreAligned");
  line->setProperty("TextColours", CEGUI::String("tl:") + colour + " tr:" + colour + " bl:" + colour + " br:" + colour);
  parent->addChild(line);
}

}  // namespace vktest
