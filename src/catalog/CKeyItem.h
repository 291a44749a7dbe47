#pragma once
// One key of the on-screen keyboard of the pinyin search: a button window named after the key
// ("KeyName_A", "KeyName_Delete"), its text, and its four neighbours, so the remote's arrows
// walk the keyboard. It fires "KeyItemKeyDown" for a key pressed on it (Return carries its text)
// and "KeyItemClicked" for a click. GUI thread.
#include <CEGUI/EventSet.h>
#include <CEGUI/InputEvent.h>
#include <CEGUI/String.h>

#include <functional>
#include <string>
#include <vector>

namespace CEGUI {
class Window;
}

class KeyItemEventArgs : public CEGUI::KeyEventArgs {
 public:
  explicit KeyItemEventArgs(CEGUI::Window* w) : CEGUI::KeyEventArgs(w) {}
  CEGUI::String text;
};

// Where a key sits and where the arrows lead from it.
struct KeySpec {
  std::string text;  // "A", "1", "Delete"
  std::string up, down, left, right;  // window names: "KeyName_Q", "PinYinPage/OK", ...
  float x = 0, y = 0, width = 0.08f, height = 0.15f;  // relative to the keyboard window
  std::string name() const { return "KeyName_" + text; }
};
// The 37 keys: 1..0, Q..P, A..L, Z..M and Delete, in that order.
const std::vector<KeySpec>& pinyinKeys();

class CKeyItem : public CEGUI::EventSet {
 public:
  static const CEGUI::String EventKeyItemKeyDown;  // "KeyItemKeyDown"
  static const CEGUI::String EventKeyItemClicked;  // "KeyItemClicked"

  // `find` gives the window of a neighbour's name.
  CKeyItem(const KeySpec& spec, std::function<CEGUI::Window*(const std::string&)> find);
  ~CKeyItem() override;
  CEGUI::Window* window() const { return window_; }
  const KeySpec& spec() const { return spec_; }

 private:
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onClicked(const CEGUI::EventArgs& args);

  KeySpec spec_;
  std::function<CEGUI::Window*(const std::string&)> find_;
  CEGUI::Window* window_ = nullptr;
};
