#pragma once
// Whether a camera is there: a video capture device among the system's V4L2 device nodes.
#include <string>

namespace oscompat {

// True when a video* node of `deviceDir` opens and answers the capability query as a video
// capture device (single- or multi-planar). Nodes that do not open, do not answer (not a V4L2
// device) or only output or carry metadata do not count. Any thread; opens the nodes without
// blocking and closes them again.
bool hasVideoInputDevice(const std::string& deviceDir);
// The system's nodes ("/dev", or the folder VOKARAN_VIDEO_DEVICE_DIR names).
bool hasVideoInputDevice();

}  // namespace oscompat
