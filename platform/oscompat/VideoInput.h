#pragma once
// Whether a camera is there: a video capture device among the system's V4L2 device nodes.
namespace oscompat {

// True when a /dev/video* node answers as a video capture device. Any thread; opens and
// closes the nodes, never blocks on them.
bool hasVideoInputDevice();

}  // namespace oscompat
