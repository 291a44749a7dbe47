#pragma once
// The program's own window types and window renderers, registered once after the GUI system
// exists and before the first scheme or layout that names them is loaded. Types already
// known are left as they are, so a second call adds only what is missing.
void registerWidgets();
