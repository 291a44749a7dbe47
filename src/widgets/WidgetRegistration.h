#pragma once
// The program's own window types and window renderers, registered once before the first
// layout that names them is loaded.
void registerWidgets();
