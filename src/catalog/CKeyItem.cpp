#include "catalog/CKeyItem.h"

#include <CEGUI/CEGUI.h>

const CEGUI::String CKeyItem::EventKeyItemKeyDown("KeyItemKeyDown");
const CEGUI::String CKeyItem::EventKeyItemClicked("KeyItemClicked");

namespace {
std::string key(char c) { return std::string("KeyName_") + c; }
const std::string kOk = "PinYinPage/OK", kCancel = "PinYinPage/Cancel", kDelete = "KeyName_Delete";

std::vector<KeySpec> buildKeys() {
  const std::string digits = "1234567890", top = "QWERTYUIOP", middle = "ASDFGHJKL", bottom = "ZXCVBNM";
  std::vector<KeySpec> keys;
  auto ring = [](const std::string& row, std::size_t i, int step) {
    return key(row[(i + row.size() + static_cast<std::size_t>(step)) % row.size()]);
  };
  for (std::size_t i = 0; i < digits.size(); ++i)
    keys.push_back({std::string(1, digits[i]), i < 5 ? kOk : kCancel, key(top[i]), ring(digits, i, -1),
                    ring(digits, i, 1), 0.1f + 0.08f * i, 0.1f});
  for (std::size_t i = 0; i < top.size(); ++i)
    keys.push_back({std::string(1, top[i]), key(digits[i]), i < 7 ? key(middle[i]) : key(i == 7 ? 'K' : 'L'),
                    ring(top, i, -1), ring(top, i, 1), 0.1f + 0.08f * i, 0.25f});
  for (std::size_t i = 0; i < middle.size(); ++i)
    keys.push_back({std::string(1, middle[i]), i < 7 ? key(top[i]) : key(i == 7 ? 'I' : 'O'),
                    i < 7 ? key(bottom[i]) : kDelete, ring(middle, i, -1), ring(middle, i, 1), 0.14f + 0.08f * i,
                    0.4f});
  for (std::size_t i = 0; i < bottom.size(); ++i)
    keys.push_back({std::string(1, bottom[i]), key(i < 4 ? middle[i] : "GHJ"[i - 4]), i < 4 ? kOk : kCancel,
                    i == 0 ? kDelete : key(bottom[i - 1]), i + 1 < bottom.size() ? key(bottom[i + 1]) : kDelete,
                    0.18f + 0.08f * i, 0.55f});
  keys.push_back({"Delete", key('L'), kCancel, key('M'), key('Z'), 0.74f, 0.55f, 0.16f});
  return keys;
}
}  // namespace

const std::vector<KeySpec>& pinyinKeys() {
  static const std::vector<KeySpec> keys = buildKeys();
  return keys;
}

CKeyItem::CKeyItem(const KeySpec& spec, std::function<CEGUI::Window*(const std::string&)> find)
    : spec_(spec), find_(std::move(find)) {
  window_ = CEGUI::WindowManager::getSingleton().createWindow("TaharezLook/ImageButtonEx", spec_.name());
  const std::string image = spec_.text == "Delete" ? "Del" : spec_.text;
  window_->setProperty("NormalImage", "Search_2/Key_" + image + "_Normal");
  window_->setProperty("HoverImage", "Search_1/Key_" + image + "_Over");
  window_->setProperty("PushedImage", "Search_1/Key_" + image + "_Over");
  window_->setArea(CEGUI::URect(CEGUI::UDim(spec_.x, 0), CEGUI::UDim(spec_.y, 0), CEGUI::UDim(spec_.x + spec_.width, 0),
                                CEGUI::UDim(spec_.y + spec_.height, 0)));
  window_->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CKeyItem::onKeyDown, this));
  window_->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CKeyItem::onClicked, this));
}

CKeyItem::~CKeyItem() = default;  // the window goes with the keyboard it was added to

bool CKeyItem::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  KeyItemEventArgs out(window_);
  out.scancode = e.scancode;
  out.sysKeys = e.sysKeys;
  const std::string* to = nullptr;
  switch (e.scancode) {
    case CEGUI::Key::Return:
    case CEGUI::Key::NumpadEnter:
      out.text = spec_.text;
      break;
    case CEGUI::Key::ArrowUp: to = &spec_.up; break;
    case CEGUI::Key::ArrowDown: to = &spec_.down; break;
    case CEGUI::Key::ArrowLeft: to = &spec_.left; break;
    case CEGUI::Key::ArrowRight: to = &spec_.right; break;
    default: break;
  }
  if (to)
    if (CEGUI::Window* next = find_(*to)) next->activate();
  fireEvent(EventKeyItemKeyDown, out, "");
  return true;
}

bool CKeyItem::onClicked(const CEGUI::EventArgs&) {
  KeyItemEventArgs out(window_);
  out.text = spec_.text;
  fireEvent(EventKeyItemClicked, out, "");
  return true;
}
