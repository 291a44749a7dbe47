#include "audio/CAudioDevSelWnd.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>

#include "AppSet/KeyMap.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"

namespace {
const CEGUI::String kNormalImage("set:PK image:RadioBtn_Normal");
const CEGUI::String kChosenImage("set:PK image:RadioBtn_Hover");
// Window IDs of the device buttons: outputs 10.., inputs 20.. (their list index added).
constexpr unsigned kOutputId = 10;
constexpr unsigned kInputId = 20;
}  // namespace

CAudioDevSelWnd::CAudioDevSelWnd(std::vector<std::wstring> outputs, std::vector<std::wstring> inputs,
                                 std::wstring output, std::wstring input)
    : outputs_(std::move(outputs)), inputs_(std::move(inputs)), output_(std::move(output)), input_(std::move(input)) {}

void CAudioDevSelWnd::createPage(CEGUI::Window*) {
  d_root = loadPageLayout("PK_AudioDevSel.layout");
}

CEGUI::Window* CAudioDevSelWnd::deviceButton(bool input, int index) const {
  if (!d_root || index < 0 || index >= kMaxDevices) return nullptr;
  return findWindow(CEGUI::String(input ? "AudioDevSel/WaveIn" : "AudioDevSel/WaveOut") +
                        CEGUI::PropertyHelper<int>::toString(index),
                    d_root);
}

bool CAudioDevSelWnd::onAttached() {
  if (!d_root) return false;
  apply_ = findWindow("AudioDevSel/BtnApp", d_root);
  close_ = findWindow("AudioDevSel/BtnClose", d_root);
  std::vector<CEGUI::Window*> keyed{apply_, close_};
  for (bool input : {false, true}) {
    const auto& names = input ? inputs_ : outputs_;
    for (int i = 0; i < kMaxDevices; ++i) {
      CEGUI::Window* w = deviceButton(input, i);
      if (!w) continue;
      const bool shown = i < static_cast<int>(names.size());
      w->setVisible(shown);
      if (!shown) continue;
      w->setID((input ? kInputId : kOutputId) + static_cast<unsigned>(i));
      w->setText(guiString(names[i]));
      w->setTooltipText(guiString(names[i]));
      w->setProperty("NormalImage", imageName(kNormalImage));
      w->subscribeEvent(CEGUI::Window::EventMouseClick,
                        CEGUI::Event::Subscriber(&CAudioDevSelWnd::onDeviceClick, this));
      keyed.push_back(w);
    }
    // The device in use shows as chosen.
    for (size_t i = 0; i < names.size() && i < size_t(kMaxDevices); ++i)
      if (names[i] == (input ? input_ : output_)) choose(input, static_cast<int>(i));
  }
  if (CEGUI::Window* text = findWindow("AudioDevSel/AudioOutName", d_root))
    text->setText(guiString(output_.empty() ? L"（无）" : output_));
  if (CEGUI::Window* text = findWindow("AudioDevSel/AudioInName", d_root))
    text->setText(guiString(input_.empty() ? L"（无）" : input_));
  for (CEGUI::Window* w : keyed)
    if (w) w->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CAudioDevSelWnd::onKeyDown, this));
  if (apply_)
    apply_->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                             endModal(1);
                             return true;
                           }));
  if (close_)
    close_->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                             endModal(0);
                             return true;
                           }));
  // The focus starts on the output in use (else the first output, else Apply).
  CEGUI::Window* first = nullptr;
  for (CEGUI::Window* w : column(0))
    if (w != apply_ && w->getText() == guiString(output_)) first = w;
  if (!first && !column(0).empty()) first = column(0).front();
  if (first) first->activate();
  return true;
}

void CAudioDevSelWnd::choose(bool input, int index) {
  const auto& names = input ? inputs_ : outputs_;
  if (index < 0 || index >= static_cast<int>(names.size()) || index >= kMaxDevices) return;
  for (int i = 0; i < kMaxDevices; ++i)
    if (CEGUI::Window* w = deviceButton(input, i); w && w->isVisible())
      w->setProperty("NormalImage", imageName(i == index ? kChosenImage : kNormalImage));
  if (auto* radio = dynamic_cast<CEGUI::RadioButton*>(deviceButton(input, index))) radio->setSelected(true);
  (input ? input_ : output_) = names[index];
  if (CEGUI::Window* text = findWindow(input ? "AudioDevSel/AudioInName" : "AudioDevSel/AudioOutName", d_root))
    text->setText(guiString(names[index]));
}

std::vector<CEGUI::Window*> CAudioDevSelWnd::column(int which) const {
  std::vector<CEGUI::Window*> windows;
  const bool input = which == 1;
  const int count = static_cast<int>((input ? inputs_ : outputs_).size());
  for (int i = 0; i < count && i < kMaxDevices; ++i)
    if (CEGUI::Window* w = deviceButton(input, i)) windows.push_back(w);
  if (CEGUI::Window* button = input ? close_ : apply_) windows.push_back(button);
  return windows;
}

void CAudioDevSelWnd::moveFocus(CEGUI::Window* from, unsigned key) {
  const std::vector<CEGUI::Window*> columns[2] = {column(0), column(1)};
  int col = -1, row = 0;
  for (int c = 0; c < 2 && col < 0; ++c)
    for (size_t r = 0; r < columns[c].size(); ++r)
      if (columns[c][r] == from) col = c, row = static_cast<int>(r);
  if (col < 0) return;
  const auto& here = columns[col];
  const int n = static_cast<int>(here.size());
  CEGUI::Window* to = nullptr;
  if (key == CEGUI::Key::ArrowUp) {
    to = here[(row + n - 1) % n];
  } else if (key == CEGUI::Key::ArrowDown) {
    to = here[(row + 1) % n];
  } else {
    // Across: the same row of the other column; the buttons face each other on the last row.
    const auto& there = columns[1 - col];
    if (there.empty()) return;
    const bool onButton = row == n - 1;
    const int devices = static_cast<int>(there.size()) - 1;
    to = onButton || devices == 0 ? there.back() : there[std::min(row, devices - 1)];
  }
  if (to) to->activate();
}

bool CAudioDevSelWnd::onDeviceClick(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::WindowEventArgs&>(args);
  const unsigned id = e.window->getID();
  if (id >= kInputId) choose(true, static_cast<int>(id - kInputId));
  else if (id >= kOutputId) choose(false, static_cast<int>(id - kOutputId));
  return true;
}

bool CAudioDevSelWnd::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  const unsigned key = static_cast<unsigned>(e.scancode);
  if (isMappedKey(key, L"Back")) {
    endModal(0);
    return true;
  }
  switch (key) {
    case CEGUI::Key::Return:
    case CEGUI::Key::NumpadEnter:
      if (e.window == apply_) {
        endModal(1);
      } else if (e.window == close_) {
        endModal(0);
      } else {
        const unsigned id = e.window->getID();
        if (id >= kInputId) choose(true, static_cast<int>(id - kInputId));
        else if (id >= kOutputId) choose(false, static_cast<int>(id - kOutputId));
      }
      return true;
    case CEGUI::Key::ArrowUp:
    case CEGUI::Key::ArrowDown:
    case CEGUI::Key::ArrowLeft:
    case CEGUI::Key::ArrowRight:
      moveFocus(e.window, key);
      return true;
    default:
      return false;
  }
}
