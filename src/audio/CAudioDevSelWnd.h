#pragma once
// The device selection dialog: up to four output devices and four input devices as buttons
// (as many as there are devices, in list order), the names chosen, and Apply (ends with 1) and
// Close (ends with 0, as does the key map's Back key). The arrows move the focus through a
// grid of two columns: the outputs with Apply below them, the inputs with Close below them;
// Return on a device chooses it, on Apply or Close presses it. The mouse chooses and presses
// as well. The chosen names are read once it has ended. GUI thread.
#include <string>
#include <vector>

#include "app/IPageCtrl.h"

namespace CEGUI {
class EventArgs;
}

class CAudioDevSelWnd : public IPageCtrl {
 public:
  static constexpr int kMaxDevices = 4;

  CAudioDevSelWnd(std::vector<std::wstring> outputs, std::vector<std::wstring> inputs, std::wstring output,
                  std::wstring input);

  void createPage(CEGUI::Window* parent) override;
  bool onAttached() override;

  const std::wstring& chosenOutput() const { return output_; }
  const std::wstring& chosenInput() const { return input_; }
  bool loaded() const { return d_root != nullptr; }

 private:
  // Column 0: the outputs, then Apply; column 1: the inputs, then Close.
  std::vector<CEGUI::Window*> column(int which) const;
  CEGUI::Window* deviceButton(bool input, int index) const;
  void choose(bool input, int index);
  void moveFocus(CEGUI::Window* from, unsigned key);
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onDeviceClick(const CEGUI::EventArgs& args);

  std::vector<std::wstring> outputs_;
  std::vector<std::wstring> inputs_;
  std::wstring output_;
  std::wstring input_;
  CEGUI::Window* apply_ = nullptr;
  CEGUI::Window* close_ = nullptr;
};
