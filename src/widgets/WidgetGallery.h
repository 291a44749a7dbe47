#pragma once
// A development page that shows every widget of this library in its states with the looks of
// the scheme: live widgets where a state can be set, and still pictures of a look's state
// imagery where a state needs the mouse or the keyboard focus (only one widget can have each).
// It is opened only when the module is started with VOKARAN_GALLERY=1 and is not reachable
// from the menus.
namespace CEGUI {
class Window;
}

// Builds the page (a full-size window, not yet attached); the scheme must be loaded. Call
// focusWidgetGallery once it is shown.
CEGUI::Window* createWidgetGallery();
// Gives the keyboard focus and the mouse to the widgets that show those states.
void focusWidgetGallery(CEGUI::Window* gallery);
