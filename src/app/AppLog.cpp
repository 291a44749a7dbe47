#include "app/AppLog.h"

#include "oscompat/Log.h"

void appLog(const std::string& line) { oscompat::log(oscompat::LogLevel::Info, line); }

void appLogError(const std::string& line) { oscompat::log(oscompat::LogLevel::Error, line); }

