#pragma once
// The process entry: single instance, working folder, the launcher's parameters, the
// application object and the shell's loop. Returns the exit code.
#include <string>

int runProcessEntry(const std::string& commandLine);
