#pragma once
// The GUI library's logger for the whole process: every line, from any thread, goes to one
// file under a lock ("CEGUI.log" in the installation folder).
#include <CEGUI/Logger.h>

#include <fstream>
#include <mutex>

namespace guishell {

class ShellLogger : public CEGUI::Logger {
 public:
  ShellLogger();
  ~ShellLogger() override;
  // Any thread.
  void logEvent(const CEGUI::String& message,
                CEGUI::LoggingLevel level = CEGUI::Standard) override;
  void setLogFilename(const CEGUI::String& filename, bool append = false) override;
  // Also copy every line to standard error (VOKARAN_LOG_STDERR=1 turns it on at start).
  void setEcho(bool echo) { echo_ = echo; }

 private:
  std::mutex mutex_;
  std::ofstream file_;
  bool echo_ = false;
};

}  // namespace guishell
