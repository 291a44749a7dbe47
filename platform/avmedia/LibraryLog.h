#pragma once
// FFmpeg tells of every damaged picture it reads and of every block it clips while encoding on
// standard error, many lines a second; the media layer reports trouble in lines of its own
// instead. Process-wide, and only while nobody chose another level.
extern "C" {
#include <libavutil/log.h>
}

namespace avmedia {

inline void quietenLibraryLog() {
  if (av_log_get_level() == AV_LOG_INFO) av_log_set_level(AV_LOG_FATAL);
}

}  // namespace avmedia
