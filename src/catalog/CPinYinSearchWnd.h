#pragma once
// The pinyin search: the first letters of a song's or a singer's name, typed on an on-screen
// keyboard with the remote (or on a real keyboard), at most 10 characters; OK opens the result
// list. The service does the matching. GUI thread.
#include <CEGUI/String.h>

#include <memory>
#include <string>
#include <vector>

#include "app/IPageCtrl.h"

namespace CEGUI {
class EventArgs;
class Window;
}  // namespace CEGUI

class CKeyItem;
class CSongList;

class CPinYinSearchWnd : public IPageCtrl {
 public:
  enum Mode { Songs = 0, Singers = 1 };
  static const CEGUI::String kLayout;  // "PK_PinYinSearchWnd.layout"
  static constexpr std::size_t kMaxInput = 10;

  CPinYinSearchWnd(int mode, const CEGUI::String& namePrefix = "", const std::wstring& scope = L"");
  ~CPinYinSearchWnd() override;

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;

  std::wstring input() const;
  CEGUI::Window* child(const CEGUI::String& path) const;
  CEGUI::Window* keyWindow(const std::string& name) const;
  CSongList* resultList() const { return result_; }
  // Adds a character typed on the keyboard or a key's text (letters and digits only).
  void type(CEGUI::String::value_type c);
  void removeLast();
  void search();

 private:
  bool onKeyItemKeyDown(const CEGUI::EventArgs& args);
  bool onKeyItemClicked(const CEGUI::EventArgs& args);
  bool onButtonKeyDown(const CEGUI::EventArgs& args);
  bool onCharacter(const CEGUI::EventArgs& args);
  bool onOk(const CEGUI::EventArgs& args);
  bool onCancel(const CEGUI::EventArgs& args);
  // Keys common to the keyboard's keys and the buttons; true when handled.
  bool commonKey(unsigned scancode);
  void clicked(const CEGUI::String& keyText);
  void setInput(const CEGUI::String& text);

  int mode_;
  CEGUI::String prefix_;
  std::wstring scope_;
  std::vector<std::unique_ptr<CKeyItem>> keys_;
  CSongList* result_ = nullptr;
};
