#include "oscompat/VideoInput.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace oscompat {

bool hasVideoInputDevice(const std::string& deviceDir) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(deviceDir, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("video", 0) != 0) continue;
    const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    v4l2_capability caps{};
    bool capture = false;
    if (::ioctl(fd, VIDIOC_QUERYCAP, &caps) == 0) {
      // The node's own capabilities when the driver gives them: the device's union would count
      // a camera's metadata node as a second camera.
      const uint32_t node = caps.capabilities & V4L2_CAP_DEVICE_CAPS ? caps.device_caps : caps.capabilities;
      capture = (node & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)) != 0;
    }
    ::close(fd);
    if (capture) return true;
  }
  return false;
}

bool hasVideoInputDevice() {
  const char* dir = std::getenv("VOKARAN_VIDEO_DEVICE_DIR");
  return hasVideoInputDevice(dir && *dir ? dir : "/dev");
}

}  // namespace oscompat
