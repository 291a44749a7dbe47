#pragma once
// Where the platform layer writes its diagnostics. The application points the sink at the
// GUI library's logger once that exists; until then lines go to standard error.
#include <functional>
#include <string>

namespace oscompat {

enum class LogLevel { Error, Warning, Info };
using LogSink = std::function<void(LogLevel, const std::string&)>;

// Any thread. The sink must be thread-safe.
void setLogSink(LogSink sink);
void log(LogLevel level, const std::string& line);

}  // namespace oscompat
