#include "guishell/ShellLogger.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace guishell {

ShellLogger::ShellLogger() {
  const char* echo = std::getenv("VOKARAN_LOG_STDERR");
  echo_ = echo && *echo == '1';
}

ShellLogger::~ShellLogger() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_.is_open()) file_.close();
}

void ShellLogger::setLogFilename(const CEGUI::String& filename, bool append) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_.is_open()) file_.close();
  file_.open(filename.c_str(), std::ios_base::out | (append ? std::ios_base::app
                                                            : std::ios_base::trunc));
}

void ShellLogger::logEvent(const CEGUI::String& message, CEGUI::LoggingLevel level) {
  if (level > getLoggingLevel()) return;
  const char* tag = "Std";
  switch (level) {
    case CEGUI::Errors: tag = "Error"; break;
    case CEGUI::Warnings: tag = "Warn"; break;
    case CEGUI::Informative: tag = "Info"; break;
    case CEGUI::Insane: tag = "Insan"; break;
    default: break;
  }
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(stamp, sizeof(stamp), "%d/%m/%Y %H:%M:%S", &local);
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_.is_open()) {
    file_ << stamp << " (" << tag << ")\t" << message.c_str() << '\n';
    file_.flush();
  }
  if (echo_)
    std::fprintf(stderr, "%s (%s) %s\n", stamp, tag, message.c_str());
}

}  // namespace guishell
