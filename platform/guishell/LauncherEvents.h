#pragma once
// The launcher's requests become the shell's four events on the GUI library's global event
// set: exit with confirmation, exit at once, the launcher's device choice, a device change.
namespace guishell {

// Starts reading the launcher link (when it is connected). Requests that arrive before the
// GUI exists wait in the post queue.
void startLauncherEvents();

}  // namespace guishell
