#include "catalog/CPinYinSearchWnd.h"

#include <CEGUI/CEGUI.h>

#include "AppSet/KeyMap.h"
#include "app/AppLog.h"
#include "app/CInfoTipManager.h"
#include "app/TextConvert.h"
#include "catalog/CKeyItem.h"
#include "catalog/CSongList.h"
#include "catalog/CatalogueLists.h"

const CEGUI::String CPinYinSearchWnd::kLayout("PK_PinYinSearchWnd.layout");

namespace {
constexpr unsigned kBackspace = CEGUI::Key::Backspace;

bool isLetterOrDigit(CEGUI::String::value_type c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

CPinYinSearchWnd::CPinYinSearchWnd(int mode, const CEGUI::String& namePrefix, const std::wstring& scope)
    : mode_(mode), prefix_(namePrefix), scope_(scope) {}

CPinYinSearchWnd::~CPinYinSearchWnd() = default;

void CPinYinSearchWnd::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(kLayout, "");
    d_root->setName(prefix_ + d_root->getName());
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("CPinYinSearchWnd: ") + e.what());
    d_root = nullptr;
  }
}

CEGUI::Window* CPinYinSearchWnd::child(const CEGUI::String& path) const {
  return d_root && d_root->isChild(path) ? d_root->getChild(path) : nullptr;
}

CEGUI::Window* CPinYinSearchWnd::keyWindow(const std::string& name) const {
  if (name == "PinYinPage/OK") return child("OK");
  if (name == "PinYinPage/Cancel") return child("Cancel");
  return child("Keyboard/" + CEGUI::String(name));
}

bool CPinYinSearchWnd::onAttached() {
  CEGUI::Window* keyboard = child("Keyboard");
  if (!keyboard || !child("OK") || !child("Cancel") || !child("InputBox")) {
    appLogError("CPinYinSearchWnd: the layout lacks its keyboard, buttons or input box");
    return false;
  }
  for (const KeySpec& spec : pinyinKeys()) {
    auto key = std::make_unique<CKeyItem>(spec, [this](const std::string& name) { return keyWindow(name); });
    key->subscribeEvent(CKeyItem::EventKeyItemKeyDown,
                        CEGUI::Event::Subscriber(&CPinYinSearchWnd::onKeyItemKeyDown, this));
    key->subscribeEvent(CKeyItem::EventKeyItemClicked,
                        CEGUI::Event::Subscriber(&CPinYinSearchWnd::onKeyItemClicked, this));
    key->window()->subscribeEvent(CEGUI::Window::EventCharacterKey,
                                  CEGUI::Event::Subscriber(&CPinYinSearchWnd::onCharacter, this));
    keyboard->addChild(key->window());
    keys_.push_back(std::move(key));
  }
  for (const char* name : {"InputBox", "Keyboard", "OK", "Cancel"})
    child(name)->subscribeEvent(CEGUI::Window::EventCharacterKey,
                                CEGUI::Event::Subscriber(&CPinYinSearchWnd::onCharacter, this));
  for (const char* name : {"OK", "Cancel"})
    child(name)->subscribeEvent(CEGUI::Window::EventKeyDown,
                                CEGUI::Event::Subscriber(&CPinYinSearchWnd::onButtonKeyDown, this));
  child("OK")->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CPinYinSearchWnd::onOk, this));
  child("Cancel")->subscribeEvent(CEGUI::PushButton::EventClicked,
                                  CEGUI::Event::Subscriber(&CPinYinSearchWnd::onCancel, this));
  if (CEGUI::Window* tip = child("InputTip"))
    tip->setText(guiStringUtf8(mode_ == Singers ? "请输入歌手首拼:" : "请输入歌曲首拼:"));
  setInput("");
  if (CEGUI::Window* a = keyWindow("KeyName_A")) a->activate();
  return true;
}

std::wstring CPinYinSearchWnd::input() const {
  CEGUI::Window* box = child("InputBox");
  return box ? wideFromGui(box->getText()) : std::wstring();
}

void CPinYinSearchWnd::setInput(const CEGUI::String& text) {
  if (CEGUI::Window* box = child("InputBox")) box->setText(text);
}

void CPinYinSearchWnd::type(CEGUI::String::value_type c) {
  if (!isLetterOrDigit(c)) return;
  CEGUI::String text = child("InputBox") ? child("InputBox")->getText() : CEGUI::String();
  if (text.length() >= kMaxInput) {
    if (CInfoTipManager* tips = CInfoTipManager::getSingletonPtr())
      tips->showStandardNotice(L"最多只能输入10个字符!", L"SearchInput", 2000);
    return;
  }
  text.append(1, c);
  setInput(text);
}

void CPinYinSearchWnd::removeLast() {
  CEGUI::Window* box = child("InputBox");
  if (!box || box->getText().empty()) return;
  CEGUI::String text = box->getText();
  text.erase(text.length() - 1);
  box->setText(text);
}

void CPinYinSearchWnd::clicked(const CEGUI::String& keyText) {
  if (keyText == "Delete") removeLast();
  else
    for (auto c : keyText) type(c);
}

bool CPinYinSearchWnd::commonKey(unsigned scancode) {
  if (scancode == kBackspace) {
    if (input().empty()) {
      if (isMappedKey(scancode, L"Back")) endModal(2);
    } else {
      removeLast();
    }
    return true;
  }
  if (isMappedKey(scancode, L"Back")) {
    endModal(2);
    return true;
  }
  if (isMappedKey(scancode, L"Clear")) {
    removeLast();
    return true;
  }
  return false;
}

bool CPinYinSearchWnd::onKeyItemKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const KeyItemEventArgs&>(args);
  if (e.scancode == CEGUI::Key::Return || e.scancode == CEGUI::Key::NumpadEnter) {
    clicked(e.text);
    return true;
  }
  return commonKey(e.scancode);
}

bool CPinYinSearchWnd::onKeyItemClicked(const CEGUI::EventArgs& args) {
  clicked(static_cast<const KeyItemEventArgs&>(args).text);
  return true;
}

bool CPinYinSearchWnd::onCharacter(const CEGUI::EventArgs& args) {
  type(static_cast<const CEGUI::KeyEventArgs&>(args).codepoint);
  return true;
}

bool CPinYinSearchWnd::onButtonKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  const bool ok = e.window == child("OK");
  CEGUI::Window* to = nullptr;
  switch (e.scancode) {
    case CEGUI::Key::Return:
    case CEGUI::Key::NumpadEnter:
      if (ok) search();
      else endModal(0);
      return true;
    case CEGUI::Key::ArrowLeft:
    case CEGUI::Key::ArrowRight:
      to = child(ok ? "Cancel" : "OK");
      break;
    case CEGUI::Key::ArrowUp:
      to = keyWindow(ok ? "KeyName_Z" : "KeyName_Delete");
      break;
    case CEGUI::Key::ArrowDown:
      to = keyWindow(ok ? "KeyName_1" : "KeyName_0");
      break;
    default:
      return commonKey(e.scancode);
  }
  if (to) to->activate();
  return true;
}

bool CPinYinSearchWnd::onOk(const CEGUI::EventArgs&) {
  search();
  return true;
}

bool CPinYinSearchWnd::onCancel(const CEGUI::EventArgs&) {
  endModal(0);
  return true;
}

void CPinYinSearchWnd::search() {
  const CSearchInfo query(mode_ == Singers ? L"4" : L"6", scope_, input());
  const std::string title = "set:SongListTille image:SearchResult";
  result_ = mode_ == Singers ? openSingerList(query, title) : openSongList(query, title);
  if (d_root) d_root->hide();
  // The search ends with its result list (which frees itself).
  result_->subscribeEvent("EndModal", CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                            result_ = nullptr;
                            endModal(0);
                            return true;
                          }));
}
