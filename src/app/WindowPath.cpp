#include "app/WindowPath.h"

#include <CEGUI/CEGUI.h>

#include <deque>

namespace {

CEGUI::Window* resolveBelow(CEGUI::Window* w, const CEGUI::String& rest) {
  for (size_t i = 0; i < w->getChildCount(); ++i) {
    CEGUI::Window* child = w->getChildAtIdx(i);
    const CEGUI::String& name = child->getName();
    if (rest == name) return child;
    if (rest.length() > name.length() && rest.compare(0, name.length(), name) == 0 &&
        rest[name.length()] == '/') {
      if (CEGUI::Window* found = resolveBelow(child, rest.substr(name.length() + 1)))
        return found;
    }
  }
  return nullptr;
}

}  // namespace

CEGUI::Window* guiSheet() {
  auto* system = CEGUI::System::getSingletonPtr();
  return system ? system->getDefaultGUIContext().getRootWindow() : nullptr;
}

CEGUI::Window* findWindow(const CEGUI::String& fullName, CEGUI::Window* root) {
  if (!root) root = guiSheet();
  if (!root || fullName.empty()) return nullptr;
  std::deque<CEGUI::Window*> queue{root};
  while (!queue.empty()) {
    CEGUI::Window* w = queue.front();
    queue.pop_front();
    const CEGUI::String& name = w->getName();
    if (name == fullName) return w;
    if (fullName.length() > name.length() && fullName.compare(0, name.length(), name) == 0 &&
        fullName[name.length()] == '/') {
      if (CEGUI::Window* found = resolveBelow(w, fullName.substr(name.length() + 1)))
        return found;
    }
    for (size_t i = 0; i < w->getChildCount(); ++i) queue.push_back(w->getChildAtIdx(i));
  }
  return nullptr;
}

CEGUI::String imageName(const CEGUI::String& name) {
  const CEGUI::String setTag("set:");
  const CEGUI::String imageTag(" image:");
  if (name.compare(0, setTag.length(), setTag) != 0) return name;
  const size_t imagePos = name.find(imageTag);
  if (imagePos == CEGUI::String::npos) return name;
  CEGUI::String set = name.substr(setTag.length(), imagePos - setTag.length());
  CEGUI::String image = name.substr(imagePos + imageTag.length());
  return set + "/" + image;
}
