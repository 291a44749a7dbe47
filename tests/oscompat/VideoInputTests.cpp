// The camera check over device folders made for the test.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "oscompat/VideoInput.h"

namespace {

TEST(VideoInputTest, NoCameraReportsFalse) {
  vktest::TempDir dir;
  EXPECT_FALSE(oscompat::hasVideoInputDevice(dir.path()));
  EXPECT_FALSE(oscompat::hasVideoInputDevice(dir.file("no-such-folder")));
}

// Nodes that open but are no capture device (not V4L2 at all, or unreadable) do not count.
TEST(VideoInputTest, NodesThatAreNoCaptureDeviceReportFalse) {
  vktest::TempDir dir;
  vktest::writeFile(dir.file("video0"), "not a device");
  std::filesystem::create_symlink("/dev/null", dir.file("video1"));
  std::filesystem::create_symlink(dir.file("missing"), dir.file("video2"));
  vktest::writeFile(dir.file("audio0"), "");
  EXPECT_FALSE(oscompat::hasVideoInputDevice(dir.path()));
}

// The folder can be pointed elsewhere for the whole program (tests of the sing queue).
TEST(VideoInputTest, DeviceFolderFollowsTheEnvironment) {
  vktest::TempDir dir;
  setenv("VOKARAN_VIDEO_DEVICE_DIR", dir.path().c_str(), 1);
  EXPECT_FALSE(oscompat::hasVideoInputDevice());
  unsetenv("VOKARAN_VIDEO_DEVICE_DIR");
}

}  // namespace
