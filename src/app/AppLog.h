#pragma once
// The module's log: the GUI library's logger, whose file is CEGUI.log in the installation
// folder. Any thread.
#include <string>

void appLog(const std::string& line);
void appLogError(const std::string& line);
