#include "dialogs/CTelInputWnd.h"

#include <CEGUI/CEGUI.h>

#include <vector>

#include "AppSet/KeyMap.h"
#include "NetWork/NetTextConvert.h"
#include "NetWork/NetworkInterface.h"
#include "app/AppLog.h"
#include "app/CInfoTipManager.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "dialogs/RechargeImages.h"

const std::wstring CTelInputWnd::kNumbersDiffer = L"两次输入号码不同。";
const std::wstring CTelInputWnd::kNotAMobile = L"请输入正确的手机号码。";

namespace {
constexpr unsigned kReturn = 28, kNumpadEnter = 156, kArrowUp = 200, kArrowDown = 208;
constexpr unsigned kConfirm = 1, kCancel = 2;

// The packet's fields are ASCII-safe names; its values go out in the system code page.
void addField(ICParsePacket& packet, const char* key, const std::wstring& value) {
  packet.AddField(key, narrowFromWide(value, 0).c_str());
}
}  // namespace

CTelInputWnd::CTelInputWnd(std::wstring mail, std::wstring userId)
    : mail_(std::move(mail)), userId_(std::move(userId)) {}

CTelInputWnd::~CTelInputWnd() {
  if (d_root) CEGUI::WindowManager::getSingleton().destroyWindow(d_root);
  d_root = nullptr;
}

bool CTelInputWnd::isMobileNumber(const std::wstring& text) {
  if (text.size() != 11 || text[0] != L'1' || text[1] < L'3' || text[1] > L'8') return false;
  for (wchar_t c : text)
    if (c < L'0' || c > L'9') return false;
  return true;
}

void CTelInputWnd::createPage(CEGUI::Window*) {
  // The fields' pictures; an imageset the recharge dialog created already is reused.
  loadRechargeImages();
  d_root = loadPageLayout(kLayout, kRootName);
  if (!d_root) return;
  entry_ = findWindow("TelInputWnd/TelEditBox", d_root);
  again_ = findWindow("TelInputWnd/TelAgainEditBox", d_root);
}

bool CTelInputWnd::onAttached() {
  if (!d_root) return false;
  std::vector<CEGUI::Window*> focusable{entry_, again_};
  for (unsigned id : {kConfirm, kCancel})
    if (d_root->isChild(id)) {
      CEGUI::Window* button = d_root->getChild(id);
      button->subscribeEvent(CEGUI::Window::EventMouseClick,
                             CEGUI::Event::Subscriber(&CTelInputWnd::onMouseClick, this));
      focusable.push_back(button);
    }
  for (CEGUI::Window* w : focusable)
    if (w) w->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CTelInputWnd::onKeyDown, this));
  for (CEGUI::Window* box : {entry_, again_})
    if (box) {
      box->subscribeEvent(CEGUI::Window::EventActivated, CEGUI::Event::Subscriber(&CTelInputWnd::onBoxFocus, this));
      box->subscribeEvent(CEGUI::Window::EventDeactivated, CEGUI::Event::Subscriber(&CTelInputWnd::onBoxFocus, this));
      paintBox(box);
    }
  if (entry_) entry_->activate();
  return true;
}

// The box with the focus is edged in gold, so it is seen from the sofa where typing goes.
bool CTelInputWnd::onBoxFocus(const CEGUI::EventArgs& args) {
  paintBox(static_cast<const CEGUI::WindowEventArgs&>(args).window);
  return false;
}

void CTelInputWnd::paintBox(CEGUI::Window* box) {
  const CEGUI::String piece = box->isActive() ? "Recharge/FieldFocus" : "Recharge/Field";
  if (box->isPropertyPresent("FieldLeft")) {
    box->setProperty("FieldLeft", piece + "L");
    box->setProperty("FieldMiddle", piece + "M");
    box->setProperty("FieldRight", piece + "R");
  }
}

void CTelInputWnd::notice(const std::wstring& text) {
  if (CInfoTipManager* tips = CInfoTipManager::getSingletonPtr())
    tips->showTextTip(guiString(text), kNoticeMs, "", CEGUI::UVector2(CEGUI::UDim(0.2f, 0), CEGUI::UDim(0.3f, 0)),
                      CEGUI::UVector2(CEGUI::UDim(0.6f, 0), CEGUI::UDim(0.3f, 0)));
  else
    appLog("CTelInputWnd: " + narrowFromWide(text, 65001));
}

bool CTelInputWnd::sendNumber(const std::wstring& number) {
  NetworkInterface* net = NetworkInterface::getSingletonPtr();
  if (!net) {
    appLogError("CTelInputWnd: no network; the phone number was not sent");
    return false;
  }
  ICParsePacket* packet = ICParsePacket::CreateInstance(false);
  if (!packet) return false;
  packet->Begin("ROOT", "ITEM");
  addField(*packet, "EMAIL", mail_);
  addField(*packet, "USERID", userId_);
  addField(*packet, "MOBILE", number);
  packet->Finish();
  packet->SetMessageId(kPacketId);
  net->SendPacket(packet);  // the library copies what it sends
  ICParsePacket::ReleaseInstance(packet);
  return true;
}

void CTelInputWnd::confirm() {
  const std::wstring first = entry_ ? wideFromGui(entry_->getText()) : std::wstring();
  const std::wstring second = again_ ? wideFromGui(again_->getText()) : std::wstring();
  if (first != second) return notice(kNumbersDiffer);
  if (!isMobileNumber(first)) return notice(kNotAMobile);
  phoneNumber_ = guiString(first);
  sendNumber(first);
  endModal(1);
}

bool CTelInputWnd::onMouseClick(const CEGUI::EventArgs& args) {
  const unsigned id = static_cast<const CEGUI::WindowEventArgs&>(args).window->getID();
  if (id == kConfirm) confirm();
  else if (id == kCancel) endModal(0);
  return true;
}

bool CTelInputWnd::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  const unsigned key = static_cast<unsigned>(e.scancode);
  if (isMappedKey(key, L"Back")) {
    endModal(0);
    return true;
  }
  std::vector<CEGUI::Window*> order{entry_, again_};
  for (unsigned id : {kConfirm, kCancel}) order.push_back(d_root && d_root->isChild(id) ? d_root->getChild(id) : nullptr);
  std::size_t at = 0;
  while (at < order.size() && order[at] != e.window) ++at;
  if (at == order.size()) return false;
  auto focus = [&](std::size_t index) {
    if (CEGUI::Window* w = order[index % order.size()]) w->activate();
  };
  switch (key) {
    case kReturn:
    case kNumpadEnter:
      if (e.window->getID() == kConfirm) confirm();
      else if (e.window->getID() == kCancel) endModal(0);
      else focus(at + 1);
      return true;
    case kArrowDown:
      focus(at + 1);
      return true;
    case kArrowUp:
      focus(at + order.size() - 1);
      return true;
    default:
      return false;
  }
}
