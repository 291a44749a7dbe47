#include "oscompat/VideoInput.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace oscompat {

bool hasVideoInputDevice() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("video", 0) != 0) continue;
    const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    v4l2_capability caps{};
    const bool capture = ::ioctl(fd, VIDIOC_QUERYCAP, &caps) == 0 &&
                         ((caps.capabilities & V4L2_CAP_DEVICE_CAPS ? caps.device_caps : caps.capabilities) &
                          V4L2_CAP_VIDEO_CAPTURE) != 0;
    ::close(fd);
    if (capture) return true;
  }
  return false;
}

}  // namespace oscompat
