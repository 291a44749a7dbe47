#pragma once
// The shell's "open" verb: a web address or file opens in the user's default program.
#include <functional>
#include <string>

namespace oscompat {

// Starts `xdg-open target` (or the program named by VOKARAN_OPEN_COMMAND) without a shell and
// does not wait for it. Failures are ignored, as the caller cannot act on them; returns
// whether the program could be started.
bool shellOpen(const std::string& target);

// Replaces the starting of a program (tests); an empty function restores it.
void setShellOpenHandler(std::function<void(const std::string&)> handler);

}  // namespace oscompat
