#include "app/CInfoTipManager.h"

#include <CEGUI/CEGUI.h>

#include <cstdio>
#include <vector>

#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "guishell/ShellEvents.h"
#include "guishell/Win32AppHelper.h"

const CEGUI::String CInfoTipManager::EventDynShowByText("DynShowByText");
const CEGUI::String CInfoTipManager::EventDynShowByLayoutfile("DynShowByLayoutfile");
const CEGUI::String CInfoTipManager::EventDynShowByWindowPtr("DynShowByWindowPtr");

namespace {
CInfoTipManager* instance = nullptr;

CEGUI::Window* sheet() {
  auto* system = CEGUI::System::getSingletonPtr();
  return system ? system->getDefaultGUIContext().getRootWindow() : nullptr;
}

const CEGUI::UVector2 kNoticePosition(CEGUI::UDim(0.2f, 0), CEGUI::UDim(0.3f, 0));
const CEGUI::UVector2 kNoticeSize(CEGUI::UDim(0.6f, 0), CEGUI::UDim(0.3f, 0));
}  // namespace

CInfoTipManager::CInfoTipManager() {
  instance = this;
  subscribeEvent(EventDynShowByText, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs& a) {
                   const auto& t = static_cast<const InfoTipArgs&>(a);
                   showTextTip(t.text, t.durationMs, t.tipName, t.position, t.size);
                   return true;
                 }));
  subscribeEvent(EventDynShowByLayoutfile,
                 CEGUI::Event::Subscriber([this](const CEGUI::EventArgs& a) {
                   const auto& t = static_cast<const InfoTipArgs&>(a);
                   showLayoutTip(t.layoutFile, t.durationMs, t.tipName);
                   return true;
                 }));
  subscribeEvent(EventDynShowByWindowPtr,
                 CEGUI::Event::Subscriber([this](const CEGUI::EventArgs& a) {
                   const auto& t = static_cast<const InfoTipArgs&>(a);
                   showWindowTip(t.window, t.durationMs, t.tipName);
                   return true;
                 }));
  if (auto* system = CEGUI::System::getSingletonPtr()) {
    keyConnection_ = system->subscribeEvent(
        guishell::System_EventInjectKeyDown,
        CEGUI::Event::Subscriber(&CInfoTipManager::onInput, this));
    mouseConnection_ = system->subscribeEvent(
        guishell::System_EventInjectMouseMove,
        CEGUI::Event::Subscriber(&CInfoTipManager::onInput, this));
  }
}

CInfoTipManager::~CInfoTipManager() {
  if (keyConnection_.isValid()) keyConnection_->disconnect();
  if (mouseConnection_.isValid()) mouseConnection_->disconnect();
  closeAllTips();
  if (instance == this) instance = nullptr;
}

CInfoTipManager* CInfoTipManager::getSingletonPtr() { return instance; }

CEGUI::Window* CInfoTipManager::loadPrefixed(const CEGUI::String& layoutFile,
                                             const CEGUI::String& prefix) {
  CEGUI::Window* root = nullptr;
  try {
    root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(layoutFile);
  } catch (const CEGUI::Exception&) {
    return nullptr;  // the library has logged why
  }
  // Names are per level here: the prefix goes on the layout's root window.
  if (root) root->setName(prefix + root->getName());
  return root;
}

void CInfoTipManager::showTextTip(const CEGUI::String& text, int durationMs,
                                  const CEGUI::String& tipName, const CEGUI::UVector2& position,
                                  const CEGUI::UVector2& size) {
  CEGUI::Window* tip = loadPrefixed("PK_InfoTip.layout", tipName);
  if (!tip) return;
  tip->setPosition(position);
  tip->setSize(CEGUI::USize(size.d_x, size.d_y));
  if (CEGUI::Window* label = findWindow(tipName + "InfoTipWnd/Text", tip)) label->setText(text);
  present(tip, durationMs, tipName);
}

void CInfoTipManager::showLayoutTip(const CEGUI::String& layoutFile, int durationMs,
                                    const CEGUI::String& tipName) {
  if (CEGUI::Window* tip = loadPrefixed(layoutFile, tipName)) present(tip, durationMs, tipName);
}

void CInfoTipManager::showWindowTip(CEGUI::Window* window, int durationMs,
                                    const CEGUI::String& tipName) {
  if (window) present(window, durationMs, tipName);
}

void CInfoTipManager::present(CEGUI::Window* window, int durationMs,
                              const CEGUI::String& tipName) {
  // A tip already showing under this name gives way to the new one.
  const auto showing = windows_.find(tipName);
  if (showing != windows_.end()) {
    CEGUI::Window* old = showing->second;
    forgetWindow(old);
    if (old != window) CEGUI::WindowManager::getSingleton().destroyWindow(old);
  }
  if (CEGUI::Window* root = sheet()) {
    if (window->getParent() != root) root->addChild(window);
  }
  window->setAlwaysOnTop(true);
  window->setMousePassThroughEnabled(true);
  window->show();
  windows_[tipName] = window;
  shownAtInput_[window] = guishell::currentInputSerial();

  auto& timer = timers_[tipName];
  if (!timer) {
    timer = std::make_unique<CEGUITimer>();
    CEGUITimer* raw = timer.get();
    raw->subscribeEvent(CEGUITimer::EventTimer,
                        CEGUI::Event::Subscriber([this, raw](const CEGUI::EventArgs&) {
                          onTimer(raw);
                          return true;
                        }));
  }
  timerWindows_[timer.get()] = window;
  timer->SetTimer(static_cast<unsigned>(durationMs > 0 ? durationMs : 1));
}

void CInfoTipManager::onTimer(CEGUITimer* timer) {
  timer->KillTimer();  // one tick per showing
  const auto it = timerWindows_.find(timer);
  if (it == timerWindows_.end()) return;
  CEGUI::Window* window = it->second;
  forgetWindow(window);
  CEGUI::WindowManager::getSingleton().destroyWindow(window);
}

void CInfoTipManager::forgetWindow(CEGUI::Window* window) {
  for (auto it = windows_.begin(); it != windows_.end();) {
    if (it->second == window) it = windows_.erase(it);
    else ++it;
  }
  for (auto it = timerWindows_.begin(); it != timerWindows_.end();) {
    if (it->second == window) it = timerWindows_.erase(it);
    else ++it;
  }
  shownAtInput_.erase(window);
}

void CInfoTipManager::closeAllTips() {
  for (auto& entry : timers_) entry.second->KillTimer();
  std::vector<CEGUI::Window*> showing;
  for (auto& entry : windows_) showing.push_back(entry.second);
  windows_.clear();
  timerWindows_.clear();
  shownAtInput_.clear();
  if (auto* wm = CEGUI::WindowManager::getSingletonPtr())
    for (CEGUI::Window* w : showing) wm->destroyWindow(w);
}

bool CInfoTipManager::onInput(const CEGUI::EventArgs&) {
  // Tips that the very input being handled brought up stay; everything older goes.
  const uint64_t current = guishell::currentInputSerial();
  std::vector<CEGUI::String> older;
  for (auto& entry : windows_) {
    const auto shown = shownAtInput_.find(entry.second);
    if (shown == shownAtInput_.end() || shown->second < current) older.push_back(entry.first);
  }
  if (older.size() == windows_.size()) {
    closeAllTips();
    return false;
  }
  for (const auto& name : older) {
    const auto it = windows_.find(name);
    if (it == windows_.end()) continue;
    CEGUI::Window* w = it->second;
    if (auto timer = timers_.find(name); timer != timers_.end()) timer->second->KillTimer();
    forgetWindow(w);
    CEGUI::WindowManager::getSingleton().destroyWindow(w);
  }
  return false;  // observers never mark input handled
}

void CInfoTipManager::postTextTip(const CEGUI::String& text, int durationMs,
                                  const CEGUI::String& tipName, const CEGUI::UVector2& position,
                                  const CEGUI::UVector2& size) {
  auto* args = new InfoTipArgs;
  args->text = text;
  args->durationMs = durationMs;
  args->tipName = tipName;
  args->position = position;
  args->size = size;
  Win32AppHelper::postEvent(this, EventDynShowByText, args, "");
}

void CInfoTipManager::postLayoutTip(const CEGUI::String& layoutFile, int durationMs,
                                    const CEGUI::String& tipName) {
  auto* args = new InfoTipArgs;
  args->layoutFile = layoutFile;
  args->durationMs = durationMs;
  args->tipName = tipName;
  Win32AppHelper::postEvent(this, EventDynShowByLayoutfile, args, "");
}

void CInfoTipManager::postWindowTip(CEGUI::Window* window, int durationMs,
                                    const CEGUI::String& tipName) {
  auto* args = new InfoTipArgs;
  args->window = window;
  args->durationMs = durationMs;
  args->tipName = tipName;
  Win32AppHelper::postEvent(this, EventDynShowByWindowPtr, args, "");
}

void CInfoTipManager::showStandardNotice(const std::wstring& text, const std::wstring& tipName,
                                         int durationMs) {
  showTextTip(guiString(text), durationMs, guiString(tipName), kNoticePosition, kNoticeSize);
}

void CInfoTipManager::showSongInfo(const std::wstring& songName, const std::wstring& singerName) {
  const CEGUI::String prefix("songInfo");
  CEGUI::Window* tip = loadPrefixed("PK_SongInfoWnd.layout", prefix);
  if (!tip) return;
  if (CEGUI::Window* w = findWindow(prefix + "SongInfoWnd/SongName", tip))
    w->setText(guiString(songName));
  if (CEGUI::Window* w = findWindow(prefix + "SongInfoWnd/SingerName", tip))
    w->setText(guiString(L"原唱：" + singerName));
  present(tip, 3000, prefix);
}

void CInfoTipManager::showKeyShift(int k) {
  wchar_t text[128];
  if (k > 0)
    std::swprintf(text, 128, L"系统为您升了%d个调！", k);
  else if (k < 0)
    std::swprintf(text, 128, L"系统为您降了%d个调！", -k);
  else
    std::swprintf(text, 128, L"使用原调播放！");
  const CEGUI::String prefix("AudioKeyInfo/");
  CEGUI::Window* tip = loadPrefixed("PK_KeyTipWnd.layout", prefix);
  if (!tip) return;
  if (CEGUI::Window* w = findWindow("AudioKeyInfo/KeyTipWnd/Text", tip)) w->setText(guiString(text));
  present(tip, 6000, prefix);
}

CEGUI::Window* CInfoTipManager::tipWindow(const CEGUI::String& tipName) const {
  const auto it = windows_.find(tipName);
  return it == windows_.end() ? nullptr : it->second;
}
