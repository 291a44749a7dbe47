// Bad menu documents and practice layouts: refused, kept as NAME.bad, never used and never
// lost; the layout written whole or not at all.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "MenuTestSupport.h"
#include "RUR/elements/LayoutMerger.h"
#include "oscompat/AtomicFile.h"

namespace vktest {
namespace {

namespace fs = std::filesystem;

const std::string kGoodMenu = menuDocument(button("9000", "", button("9100", "分类点歌", button("9101", "流行"))));

std::string nested(int depth) {
  std::string s;
  for (int i = 0; i < depth; ++i) s += "<Button ID=\"" + std::to_string(i) + "\">";
  for (int i = 0; i < depth; ++i) s += "</Button>";
  return menuDocument(s);
}

std::string huge() {
  std::string buttons;
  for (int i = 0; i < 5000; ++i) buttons += button(std::to_string(10000 + i), "项目");
  return menuDocument(button("9000", "", buttons));
}

TEST_F(MenuTest, ADamagedMenuIsKeptAsBadAndRemovedSoItIsFetchedAgain) {
  struct Case {
    const char* what;
    std::string document;
  };
  for (const Case& c : {Case{"truncated", kGoodMenu.substr(0, kGoodMenu.size() / 2)},
                        Case{"not XML", "this is not a menu"}, Case{"nested 500 deep", nested(500)},
                        Case{"5000 entries", huge()}, Case{"binary", std::string("<Root>\0\x01\xff</Root>", 16)}}) {
    SCOPED_TRACE(c.what);
    writeMenu(c.document);
    fs::remove(CEGUI::MenuXmlManager::menuFile() + ".bad");
    EXPECT_FALSE(files_.loadMenu());
    EXPECT_EQ(files_.menuRoot(), nullptr);
    EXPECT_FALSE(fs::exists(CEGUI::MenuXmlManager::menuFile()));
    EXPECT_EQ(readFile(CEGUI::MenuXmlManager::menuFile() + ".bad"), c.document);
  }
  // A missing menu is simply not there.
  EXPECT_FALSE(files_.loadMenu());
  writeMenu(kGoodMenu);
  EXPECT_TRUE(files_.loadMenu());
  EXPECT_EQ(files_.menuVersion(), "1");
}

TEST_F(MenuTest, ADamagedLayoutIsKeptAsBadAndTheShippedOneTakesItsPlace) {
  const std::string shipped = readFile(CEGUI::MenuXmlManager::shippedLayoutFile());
  for (const std::string& bad : {std::string("<GUILayout version=\"4\"><Window type="), std::string(""),
                                 layoutDocument(std::string(300, 'x'))}) {
    writeLayout(bad);
    ASSERT_TRUE(files_.loadLayout());
    EXPECT_EQ(static_cast<CEGUI::LayoutEntity*>(files_.layoutRoot())->windowName(), "Root");
    EXPECT_EQ(writtenLayout(), shipped);
  }
  // The unreadable one is kept (an empty file holds nothing worth keeping).
  writeLayout("<GUILayout version=\"4\"><Window type=");
  fs::remove(CEGUI::MenuXmlManager::layoutFile() + ".bad");
  ASSERT_TRUE(files_.loadLayout());
  EXPECT_EQ(readFile(CEGUI::MenuXmlManager::layoutFile() + ".bad"), "<GUILayout version=\"4\"><Window type=");
}

TEST_F(MenuTest, UnknownElementsAreLoggedAndSkipped) {
  writeMenu(menuDocument(button("9000", "", "<Separator/>" + button("9100", "分类点歌"))));
  writeLayout(layoutDocument(window("DefaultWindow", "Root", "",
                                    "<UserString name=\"a\" value=\"b\"/>" +
                                        window("TaharezLook/MenubarRUR", "Root/Menubar", "9000"))));
  merge();
  EXPECT_TRUE(find("9100"));
  const std::string log = install_.log();
  EXPECT_NE(log.find("Falagard::xmlHandler::elementStart - The unknown XML element 'Separator' was encountered "
                     "while processing the look and feel file."),
            std::string::npos);
  EXPECT_NE(log.find("GUILayout_xmlHandler::startElement - Unexpected data was found while parsing the gui-layout "
                     "file: 'UserString' is unknown."),
            std::string::npos);
}

TEST_F(MenuTest, AnUnwritableLayoutThrowsTheFileException) {
  writeMenu(kGoodMenu);
  writeLayout(practiceLayout());
  ASSERT_TRUE(files_.loadMenu());
  ASSERT_TRUE(files_.loadLayout());
  // A folder where the file should be: the replacement cannot be renamed into place.
  const std::string file = CEGUI::MenuXmlManager::layoutFile();
  oscompat::setAtomicWriteHooksForTesting({0, nullptr, [file] {
                                             fs::remove(file);
                                             fs::create_directory(file);
                                           }});
  try {
    files_.mergeMenu();
    ADD_FAILURE() << "no exception";
  } catch (const CEGUI::FileIOException& e) {
    EXPECT_EQ(e.getMessage(), "LayoutMerger::saveLayout: failed to create stream for writing.");
    EXPECT_EQ(e.getFileName(), "LayoutMerger");
    EXPECT_EQ(e.getLine(), 419);
  }
  oscompat::setAtomicWriteHooksForTesting({});
  EXPECT_TRUE(fs::is_directory(file));
  fs::remove(file);
  // The merged menu is still at hand for the window.
  EXPECT_NE(files_.layoutText().find("Root/Menubar/9100/9101"), std::string::npos);
}

// The program dies at many points of writing the merged layout: the file is always the old
// layout or the new one, whole.
TEST_F(MenuTest, AKillDuringTheSaveLeavesAWholeLayout) {
  writeMenu(kGoodMenu);
  writeLayout(practiceLayout());
  const std::string before = writtenLayout();
  ASSERT_TRUE(files_.loadMenu());
  ASSERT_TRUE(files_.loadLayout());
  CEGUI::LayoutMerger(registry_).merge(files_.menuRoot(), files_.layoutRoot());
  const std::string after = files_.layoutText();
  for (long killAt = 1; killAt < static_cast<long>(after.size()); killAt += 97) {
    const pid_t child = fork();
    if (child == 0) {
      oscompat::setAtomicWriteHooksForTesting({64, [killAt](size_t written) {
                                                 if (static_cast<long>(written) >= killAt) raise(SIGKILL);
                                               },
                                               nullptr});
      CEGUI::LayoutMerger::saveLayout(files_.layoutRoot(), CEGUI::MenuXmlManager::layoutFile());
      _exit(3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "killed after byte " << killAt;
    ASSERT_EQ(writtenLayout(), before) << "killed after byte " << killAt;
  }
  CEGUI::LayoutMerger::saveLayout(files_.layoutRoot(), CEGUI::MenuXmlManager::layoutFile());
  EXPECT_EQ(writtenLayout(), after);
}

}  // namespace
}  // namespace vktest
