#pragma once
// The list of the four reverberation modes on the right of the audio setup panel
// ("PK_olvanEffectWnd.layout"): the buttons "StatBK/Stat1" to "StatBK/Stat4", the selected one
// showing its "_Over" picture. A click selects a mode; on a button Down and Up move through
// the list (wrapping), Left and Right leave it (EventExit with the direction). GUI thread.
#include <CEGUI/Event.h>
#include <CEGUI/EventSet.h>
#include <CEGUI/String.h>

#include <vector>

namespace CEGUI {
class Window;
}

class CEffectWnd : public CEGUI::EventSet {
 public:
  static constexpr int kModeCount = 4;
  // EffectModeEventArgs with the index chosen.
  static const CEGUI::String EventSelChangle;
  // EffectModeEventArgs with the direction (0 left, 1 right, 2 leave the page).
  static const CEGUI::String EventExit;

  explicit CEffectWnd(int selected = 0);
  ~CEffectWnd() override;
  CEffectWnd(const CEffectWnd&) = delete;
  CEffectWnd& operator=(const CEffectWnd&) = delete;

  // Loads the layout and wires the buttons; false (the library has logged why) when it fails.
  bool load();
  CEGUI::Window* root() const { return root_; }
  CEGUI::Window* button(int index) const;
  int selected() const { return selected_; }

  // A valid index other than the selected one becomes selected (pictures swapped) and, with
  // `notify`, EventSelChangle is fired with it. In every case the selected button takes the
  // keyboard focus.
  void select(int index, bool notify);
  // The buttons' texts: the modes' display names (fewer names leave the rest as they are).
  void setModeNames(const std::vector<CEGUI::String>& names);
  // The windows go with their parent; after this the object no longer touches them.
  void forgetWindows();

 private:
  bool onClick(const CEGUI::EventArgs& args);
  bool onKeyDown(const CEGUI::EventArgs& args);
  void showSelected(int index, bool selected);

  CEGUI::Window* root_ = nullptr;
  CEGUI::Window* buttons_[kModeCount] = {};
  int selected_;
};
