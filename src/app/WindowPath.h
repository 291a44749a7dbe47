#pragma once
// Windows are known by their full names ("PKWnd/MyRank/RankTxt"): the chain of names from a
// layout's root window down to the window. The GUI library names windows per level, so one
// helper resolves such names; a name in the chain may itself contain '/' (tip prefixes).
#include <CEGUI/String.h>

namespace CEGUI {
class Window;
}

// The GUI sheet: the default context's root window; null before the GUI library is up.
CEGUI::Window* guiSheet();

// The first window, breadth-first from `root` (default: the GUI sheet), whose full name
// starting at some window of the tree equals `fullName`; null when there is none.
CEGUI::Window* findWindow(const CEGUI::String& fullName, CEGUI::Window* root = nullptr);

// Image names: "set:X image:Y" becomes "X/Y"; names already in that form stay as they are.
CEGUI::String imageName(const CEGUI::String& name);
