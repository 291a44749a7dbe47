#include "dialogs/CRechargeWnd.h"

#include <CEGUI/CEGUI.h>

#include "AppSet/KeyMap.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "dialogs/RechargeImages.h"
#include "oscompat/ShellOpen.h"
#include "oscompat/Utf.h"

const CEGUI::String CRechargeWnd::EventRechargeCancel("RechargeCancel");
const CEGUI::String CRechargeWnd::EventRechargeFinish("RechargeFinish");

namespace {
constexpr unsigned kReturn = 28, kNumpadEnter = 156;
constexpr unsigned kArrowUp = 200, kArrowLeft = 203, kArrowRight = 205, kArrowDown = 208;
constexpr unsigned kRecharge = 1, kCancel = 2, kFinished = 3;

// The address as it may be shown: without the query that carries the user's key.
std::wstring shownAddress(const std::wstring& url) { return url.substr(0, url.find(L'?')); }
}  // namespace

CRechargeWnd::CRechargeWnd(std::wstring url) : url_(std::move(url)) {
  timer_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber(&CRechargeWnd::onTick, this));
}

CRechargeWnd::~CRechargeWnd() {
  timer_.KillTimer();
  if (d_root) CEGUI::WindowManager::getSingleton().destroyWindow(d_root);
  d_root = nullptr;
}

CEGUI::Window* CRechargeWnd::child(unsigned id) const {
  return d_root && d_root->isChild(id) ? d_root->getChild(id) : nullptr;
}

void CRechargeWnd::createPage(CEGUI::Window*) {
  loadRechargeImages();
  d_root = loadPageLayout(kLayout, kRootName);
}

bool CRechargeWnd::onAttached() {
  if (!d_root) return false;
  if (CEGUI::Window* finished = child(kFinished)) finished->hide();
  if (CEGUI::Window* recharge = child(kRecharge)) recharge->activate();
  d_root->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CRechargeWnd::onKeyDown, this));
  for (unsigned id : {kRecharge, kCancel, kFinished}) {
    CEGUI::Window* button = child(id);
    if (!button) continue;
    button->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CRechargeWnd::onKeyDown, this));
    button->subscribeEvent(CEGUI::Window::EventMouseClick,
                           CEGUI::Event::Subscriber(&CRechargeWnd::onMouseClick, this));
  }
  return true;
}

bool CRechargeWnd::closePage() {
  timer_.KillTimer();
  return IPageCtrl::closePage();
}

void CRechargeWnd::setStatus(const std::wstring& text) {
  if (d_root && d_root->isChild("Status")) d_root->getChild("Status")->setText(guiString(text));
}

// Opening the page twice would only open a second browser tab: the button goes at once.
void CRechargeWnd::openPage() {
  if (opened_) return;
  opened_ = true;
  if (CEGUI::Window* recharge = child(kRecharge)) recharge->disable();
  // The focus rests on the dialog itself, so a second Return neither opens the page again
  // nor cancels; the arrows go on to the buttons.
  d_root->activate();
  browserStarted_ = oscompat::shellOpen(oscompat::utf8FromWide(url_));
  // Without a browser the user can still recharge elsewhere: the finished button comes all
  // the same.
  setStatus(browserStarted_ ? L"充值页面已在浏览器中打开，请在页面上完成充值。"
                            : L"无法打开浏览器，请在浏览器中访问 " + shownAddress(url_) + L" 完成充值。");
  elapsedMs_ = 0;
  timer_.SetTimer(kTickMs);
  if (CEGUI::Window* wait = d_root->isChild("Countdown") ? d_root->getChild("Countdown") : nullptr) {
    wait->setText(guiString(std::to_wstring(kFinishDelayMs / 1000) + L" 秒后可确认充值完成"));
    wait->show();
  }
}

bool CRechargeWnd::onTick(const CEGUI::EventArgs&) {
  elapsedMs_ += kTickMs;
  CEGUI::Window* wait = d_root && d_root->isChild("Countdown") ? d_root->getChild("Countdown") : nullptr;
  if (elapsedMs_ < kFinishDelayMs) {
    if (wait) wait->setText(guiString(std::to_wstring((kFinishDelayMs - elapsedMs_) / 1000) + L" 秒后可确认充值完成"));
    return true;
  }
  timer_.KillTimer();
  if (wait) wait->hide();
  if (CEGUI::Window* recharge = child(kRecharge)) recharge->hide();
  if (CEGUI::Window* finished = child(kFinished)) {
    finished->show();
    finished->activate();
  }
  finishShown_ = true;
  setStatus(L"充值完成后，请按“充值完成”继续演唱。");
  return true;
}

void CRechargeWnd::finishWith(int result, const CEGUI::String& event) {
  endModal(result);
  CEGUI::EventArgs args;
  fireEvent(event, args, "");
}

bool CRechargeWnd::onMouseClick(const CEGUI::EventArgs& args) {
  switch (static_cast<const CEGUI::WindowEventArgs&>(args).window->getID()) {
    case kRecharge: openPage(); break;
    case kCancel: finishWith(0, EventRechargeCancel); break;
    case kFinished: finishWith(1, EventRechargeFinish); break;
    default: break;
  }
  return true;
}

// The next button that can be pressed from `from` in direction `step`, wrapping within the
// two buttons of the current stage.
void CRechargeWnd::moveFocus(unsigned from, int step) {
  const unsigned low = finishShown_ ? kCancel : kRecharge;
  const unsigned high = finishShown_ ? kFinished : kCancel;
  unsigned id = from < low || from > high ? low : from;
  for (int tries = 0; tries < 2; ++tries) {
    id = step > 0 ? (id >= high ? low : id + 1) : (id <= low ? high : id - 1);
    CEGUI::Window* button = child(id);
    if (button && button->isEffectiveVisible() && !button->isEffectiveDisabled()) {
      button->activate();
      return;
    }
  }
}

bool CRechargeWnd::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  const unsigned key = static_cast<unsigned>(e.scancode);
  // The dialog's own window has the focus between opening the page and the finish button.
  const unsigned id = e.window == d_root ? 0 : e.window->getID();
  if (isMappedKey(key, L"Back")) {
    endModal(2);
    return true;
  }
  switch (key) {
    case kReturn:
    case kNumpadEnter:
      if (id == kRecharge) openPage();
      else if (id == kCancel) endModal(2);
      else if (id == kFinished) endModal(3);
      return true;
    case kArrowUp:
    case kArrowLeft:
      moveFocus(id, -1);
      return true;
    case kArrowDown:
    case kArrowRight:
      moveFocus(id, +1);
      return true;
    default:
      return false;
  }
}
