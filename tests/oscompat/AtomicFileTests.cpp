// Replacing files atomically: the old or the new content whole, whatever happens in between.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "TestSupport.h"
#include "oscompat/AtomicFile.h"

namespace fs = std::filesystem;
using oscompat::writeFileAtomically;

namespace {

// The names in `dir`, so a test sees temporary files left behind.
std::vector<std::string> entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class AtomicFile : public ::testing::Test {
 protected:
  void TearDown() override { oscompat::setAtomicWriteHooksForTesting({}); }
  vktest::TempDir dir_;
};

}  // namespace

TEST_F(AtomicFile, CreatesAndReplacesLeavingNoTemporaryFiles) {
  const std::string path = dir_.file("Set.xml");
  ASSERT_TRUE(writeFileAtomically(path, "first"));
  ASSERT_TRUE(writeFileAtomically(path, "second, longer than the first"));
  ASSERT_TRUE(writeFileAtomically(path, "3"));  // shorter: no tail of the old content
  EXPECT_EQ(vktest::readFile(path), "3");
  EXPECT_EQ(entries(dir_.path()), std::vector<std::string>{"Set.xml"});
  std::string back;
  ASSERT_TRUE(oscompat::readWholeFile(path, back));
  EXPECT_EQ(back, "3");
}

TEST_F(AtomicFile, KeepsPermissionBitsAndLinks) {
  const std::string real = dir_.file("real.xml");
  vktest::writeFile(real, "old");
  ASSERT_EQ(chmod(real.c_str(), 0640), 0);
  const std::string link = dir_.file("link.xml");
  fs::create_symlink(real, link);

  ASSERT_TRUE(writeFileAtomically(link, "new"));
  EXPECT_TRUE(fs::is_symlink(link));  // the link was not replaced by a file
  EXPECT_EQ(vktest::readFile(real), "new");
  struct stat st{};
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// Each case: where the write goes, and what must be in the error text.
struct Unwritable {
  const char* name;
  std::function<std::string(const vktest::TempDir&)> makePath;
  const char* call;
};
void PrintTo(const Unwritable& u, std::ostream* os) { *os << u.name; }

class AtomicFileFailures : public AtomicFile, public ::testing::WithParamInterface<Unwritable> {};

TEST_P(AtomicFileFailures, FailsWithTheCallNamedAndChangesNothing) {
  const std::string path = GetParam().makePath(dir_);
  const auto before = entries(dir_.path());
  std::string error;
  EXPECT_FALSE(writeFileAtomically(path, "data", &error));
  EXPECT_NE(error.find(GetParam().call), std::string::npos) << error;
  EXPECT_EQ(entries(dir_.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AtomicFileFailures,
    ::testing::Values(
        Unwritable{"MissingFolder", [](const vktest::TempDir& d) { return d.file("none/Set.xml"); }, "open"},
        Unwritable{"FolderIsAFile",
                   [](const vktest::TempDir& d) {
                     vktest::writeFile(d.file("plain"), "x");
                     return d.file("plain/Set.xml");
                   },
                   "open"},
        Unwritable{"TargetIsAFolder",
                   [](const vktest::TempDir& d) {
                     fs::create_directory(d.file("Set.xml"));
                     return d.file("Set.xml");
                   },
                   "open"},
        Unwritable{"EmptyName", [](const vktest::TempDir&) { return std::string(); }, "no file name"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AtomicFile, ReadOnlyFolderFailsWithoutTouchingTheFile) {
  if (geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind the superuser";
  const std::string folder = dir_.file("ro");
  fs::create_directory(folder);
  vktest::writeFile(folder + "/Set.xml", "old");
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  EXPECT_FALSE(writeFileAtomically(folder + "/Set.xml", "new"));
  chmod(folder.c_str(), 0755);
  EXPECT_EQ(vktest::readFile(folder + "/Set.xml"), "old");
}

TEST_F(AtomicFile, FailedStepRemovesTheTemporaryFile) {
  // A rename that fails after the data was flushed: the target becomes a folder meanwhile.
  const std::string path = dir_.file("Set.xml");
  oscompat::setAtomicWriteHooksForTesting({0, nullptr, [&] { fs::create_directory(path); }});
  std::string error;
  EXPECT_FALSE(writeFileAtomically(path, "data", &error));
  EXPECT_NE(error.find("rename"), std::string::npos) << error;
  EXPECT_EQ(entries(dir_.path()), std::vector<std::string>{"Set.xml"});
}

// The process is killed after every single byte of the new content, and once more between
// the flush and the rename: the file holds the old content whole every time, and the new
// content whole once the rename happened.
TEST_F(AtomicFile, ProcessKilledAtAnyByteLeavesTheOldContentWhole) {
  const std::string path = dir_.file("Set.xml");
  const std::string oldContent = "<Set><Item Name=\"old\" Value=\"1\" /></Set>\n";
  const std::string newContent = "<Set><Item Name=\"new\" Value=\"22\" /><Item Name=\"x\" /></Set>\n";
  ASSERT_TRUE(writeFileAtomically(path, oldContent));

  auto writeAndDieAt = [&](long killAfterByte, bool killBeforeRename) {
    const pid_t child = fork();
    if (child == 0) {
      oscompat::AtomicWriteHooks h;
      h.chunkSize = 1;
      h.afterChunk = [&](size_t written) {
        if (static_cast<long>(written) == killAfterByte) raise(SIGKILL);
      };
      if (killBeforeRename) h.beforeRename = [] { raise(SIGKILL); };
      oscompat::setAtomicWriteHooksForTesting(h);
      writeFileAtomically(path, newContent);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
  };

  for (long n = 1; n <= static_cast<long>(newContent.size()); ++n) {
    const int status = writeAndDieAt(n, false);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "byte " << n;
    ASSERT_EQ(vktest::readFile(path), oldContent) << "killed after byte " << n;
  }
  const int status = writeAndDieAt(-1, true);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(vktest::readFile(path), oldContent);

  // Killed processes leave their temporary files behind, never a damaged target; the next
  // ordinary write still succeeds.
  ASSERT_TRUE(writeFileAtomically(path, newContent));
  EXPECT_EQ(vktest::readFile(path), newContent);
}
