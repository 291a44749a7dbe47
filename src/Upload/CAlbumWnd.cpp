#include "Upload/CAlbumWnd.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <cmath>

#include "AppSet/KeyMap.h"
#include "Upload/CAlbumManager.h"
#include "app/AppLog.h"
#include "app/WindowPath.h"
#include "guishell/Win32AppHelper.h"

const CEGUI::String CAlbumWnd::kLayout("PK_WorksWnd.layout");

namespace {
const CEGUI::String kBackLater("WorksBack");

bool isKey(unsigned key, const wchar_t* mapped, CEGUI::Key::Scan keyboard) {
  return key == static_cast<unsigned>(keyboard) || isMappedKey(key, mapped);
}

float centreX(CEGUI::Window* w) {
  const CEGUI::Rectf r = w->getUnclippedOuterRect().get();
  return (r.left() + r.right()) * 0.5f;
}
}  // namespace

CAlbumWnd::CAlbumWnd(AlbumWndContext context) : context_(std::move(context)) {
  // On the global set, which outlives the page: a Back still queued when the page has gone
  // finds no subscriber.
  if (auto* global = CEGUI::GlobalEventSet::getSingletonPtr())
    backLater_ = global->subscribeEvent("/" + kBackLater, CEGUI::Event::Subscriber(&CAlbumWnd::onBackLater, this));
}

CAlbumWnd::~CAlbumWnd() {
  if (d_root) closePage();
  if (backLater_.isValid()) backLater_->disconnect();
}

void CAlbumWnd::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(kLayout);
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("CAlbumWnd: the layout was not loaded: ") + e.getMessage().c_str());
    d_root = nullptr;
    return;
  }
  tabs_ = d_root->isChild("TabControl") ? dynamic_cast<CEGUI::TabControl*>(d_root->getChild("TabControl")) : nullptr;
  focusRing_ = d_root->isChild("FocusRing") ? d_root->getChild("FocusRing") : nullptr;
  if (!tabs_) appLogError("CAlbumWnd: the layout has no tab control WorksWnd/TabControl");
}

void CAlbumWnd::addTab(RecordingListBase& list, const CEGUI::String& button, const char* normal, const char* hover,
                       const char* selected) {
  if (!list.rootWindow()) return;
  tabs_->addTab(list.rootWindow());
  const CEGUI::String path = "__auto_TabPane__Buttons/" + button;
  if (!tabs_->isChild(path)) {
    appLogError(std::string("CAlbumWnd: no tab button ") + button.c_str());
    return;
  }
  CEGUI::Window* b = tabs_->getChild(path);
  b->setProperty("TabBtnNormalImage", imageName(normal));
  b->setProperty("TabBtnHoverImage", imageName(hover));
  b->setProperty("TabBtnSelectedImage", imageName(selected));
  connections_.push_back(list.subscribeEvent(RecordingListBase::EventPageShown,
                                             CEGUI::Event::Subscriber(&CAlbumWnd::onPageShown, this)));
}

bool CAlbumWnd::onAttached() {
  if (!d_root || !tabs_) return false;
  local_ = std::make_unique<CLocalRecordingList>(context_.mixFactory, context_.playbackFactory);
  local_->initialise();
  addTab(*local_, "__auto_btnLocalRecording", "set:PK image:WaitUpLoad_Normal", "set:PK image:WaitUpLoad_Normal",
         "set:PK image:WaitUpLoad_Hover");
  net_ = std::make_unique<CNetRecordingList>(context_.openUrl);
  net_->initialise();
  addTab(*net_, "__auto_btnNetRecording", "set:PK image:HasUpLoad_Normal", "set:PK image:HasUpLoad_Normal",
         "set:PK image:HasUpLoad_Hover");
  connections_.push_back(tabs_->subscribeEvent(CEGUI::TabControl::EventSelectionChanged,
                                               CEGUI::Event::Subscriber(&CAlbumWnd::onTabChanged, this)));
  connections_.push_back(
      d_root->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CAlbumWnd::onKeyDown, this)));
  if (CAlbumManager* album = CAlbumManager::getSingletonPtr()) album->setWorksWindowOpen(true);
  buildFocusRows();
  if (focusRows_.size() > 1)
    focusFirstWork();
  else
    focusAt(0, 0);  // no work: the tab strip
  return true;
}

// The first work's Share when it can be pressed (the singer came to share), else its first
// usable button.
void CAlbumWnd::focusFirstWork() {
  const auto& buttons = focusRows_[1];
  const auto share = std::find_if(buttons.begin(), buttons.end(),
                                  [](const CEGUI::Window* w) { return w->getName() == "Share"; });
  focusAt(1, share == buttons.end() ? 0 : static_cast<int>(share - buttons.begin()));
}

bool CAlbumWnd::closePage() {
  for (auto& c : connections_) c->disconnect();
  connections_.clear();
  if (CAlbumManager* album = CAlbumManager::getSingletonPtr()) album->setWorksWindowOpen(false);
  // The tabs leave the tab control before their windows go, so no tab button points at them.
  if (tabs_) {
    for (RecordingListBase* list : {static_cast<RecordingListBase*>(local_.get()), static_cast<RecordingListBase*>(net_.get())})
      if (list && list->rootWindow()) tabs_->removeTab(list->rootWindow()->getName());
  }
  local_.reset();
  net_.reset();
  focusRows_.clear();
  tabs_ = nullptr;
  focusRing_ = nullptr;
  return IPageCtrl::closePage();
}

int CAlbumWnd::selectedTab() const { return tabs_ ? static_cast<int>(tabs_->getSelectedTabIndex()) : -1; }

void CAlbumWnd::selectTab(int tab) {
  if (!tabs_ || tab < 0 || tab >= static_cast<int>(tabs_->getTabCount())) return;
  tabs_->setSelectedTabAtIndex(static_cast<std::size_t>(tab));
}

RecordingListBase* CAlbumWnd::shownList() const {
  if (selectedTab() == NetTab) return net_.get();
  return local_.get();
}

// ---------------------------------------------------------------------------------------------
// The remote control

void CAlbumWnd::buildFocusRows() {
  focusRows_.clear();
  if (!tabs_) return;
  std::vector<CEGUI::Window*> strip;
  const int tab = selectedTab();
  if (tab >= 0) {
    const CEGUI::String button = tab == NetTab ? "__auto_btnNetRecording" : "__auto_btnLocalRecording";
    const CEGUI::String path = "__auto_TabPane__Buttons/" + button;
    if (tabs_->isChild(path)) strip.push_back(tabs_->getChild(path));
  }
  focusRows_.push_back(std::move(strip));
  if (RecordingListBase* list = shownList())
    for (auto& row : list->focusRows()) focusRows_.push_back(std::move(row));
}

CEGUI::Window* CAlbumWnd::focused() const {
  if (focusRow_ < 0 || focusRow_ >= static_cast<int>(focusRows_.size())) return nullptr;
  const auto& row = focusRows_[static_cast<std::size_t>(focusRow_)];
  if (row.empty()) return nullptr;
  return row[static_cast<std::size_t>(std::clamp(focusColumn_, 0, static_cast<int>(row.size()) - 1))];
}

void CAlbumWnd::focusAt(int row, int column) {
  if (focusRows_.empty()) return;
  focusRow_ = std::clamp(row, 0, static_cast<int>(focusRows_.size()) - 1);
  const auto& items = focusRows_[static_cast<std::size_t>(focusRow_)];
  focusColumn_ = items.empty() ? 0 : std::clamp(column, 0, static_cast<int>(items.size()) - 1);
  if (CEGUI::Window* w = focused()) w->activate();
  else if (d_root) d_root->activate();
  placeFocusRing();
}

void CAlbumWnd::placeFocusRing() {
  if (!focusRing_ || !d_root) return;
  CEGUI::Window* w = focused();
  // Buttons show the focus in their own look; the tab strip gets the ring round the tab shown.
  if (!w || focusRow_ != 0) {
    focusRing_->hide();
    return;
  }
  const CEGUI::Rectf target = w->getUnclippedOuterRect().get();
  const CEGUI::Rectf base = d_root->getUnclippedOuterRect().get();
  const float pad = 6.0f;
  focusRing_->setArea(CEGUI::URect(CEGUI::UDim(0, target.left() - base.left() - pad),
                                   CEGUI::UDim(0, target.top() - base.top() - pad),
                                   CEGUI::UDim(0, target.right() - base.left() + pad),
                                   CEGUI::UDim(0, target.bottom() - base.top() + pad)));
  focusRing_->show();
  focusRing_->moveToFront();
}

void CAlbumWnd::syncFocusFrom(CEGUI::Window* w) {
  for (int r = 0; r < static_cast<int>(focusRows_.size()); ++r) {
    const auto& row = focusRows_[static_cast<std::size_t>(r)];
    for (std::size_t c = 0; c < row.size(); ++c)
      if (row[c] == w) {
        focusRow_ = r;
        focusColumn_ = static_cast<int>(c);
        placeFocusRing();
        return;
      }
  }
}

bool CAlbumWnd::moveAcross(int step) {
  if (focusRow_ == 0) {
    // The tab strip: Left shows the local works, Right the published ones.
    const int tab = std::clamp(selectedTab() + step, 0, static_cast<int>(tabs_->getTabCount()) - 1);
    if (tab != selectedTab()) selectTab(tab);
    return true;
  }
  if (focusRow_ >= static_cast<int>(focusRows_.size())) return false;
  const int next = focusColumn_ + step;
  const auto& row = focusRows_[static_cast<std::size_t>(focusRow_)];
  if (next >= 0 && next < static_cast<int>(row.size())) focusAt(focusRow_, next);
  return true;
}

bool CAlbumWnd::moveRow(int step) {
  CEGUI::Window* from = focused();
  for (int r = focusRow_ + step; r >= 0 && r < static_cast<int>(focusRows_.size()); r += step) {
    const auto& row = focusRows_[static_cast<std::size_t>(r)];
    if (row.empty()) continue;
    // The nearest button of that row, by horizontal position (rows of works are alike, so
    // between them the column stays).
    int best = 0;
    if (from) {
      float bestDistance = 1e9f;
      for (std::size_t c = 0; c < row.size(); ++c) {
        const float d = std::fabs(centreX(row[c]) - centreX(from));
        if (d < bestDistance) {
          bestDistance = d;
          best = static_cast<int>(c);
        }
      }
    }
    focusAt(r, best);
    return true;
  }
  return true;
}

bool CAlbumWnd::press() {
  if (focusRow_ == 0) {
    // OK on the tab strip goes into the list.
    if (focusRows_.size() > 1) focusFirstWork();
    return true;
  }
  CEGUI::Window* w = focused();
  if (!w) return false;
  CEGUI::WindowEventArgs args(w);
  w->fireEvent(CEGUI::PushButton::EventClicked, args, CEGUI::PushButton::EventNamespace);
  return true;
}

bool CAlbumWnd::handleKey(unsigned key) {
  if (isKey(key, L"Back", CEGUI::Key::Escape)) {
    // The page may be closed by what Back does: that happens after this key's handlers.
    Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), kBackLater, new CEGUI::EventArgs, "");
    return true;
  }
  if (isKey(key, L"Left", CEGUI::Key::ArrowLeft)) return moveAcross(-1);
  if (isKey(key, L"Right", CEGUI::Key::ArrowRight)) return moveAcross(1);
  if (isKey(key, L"UP", CEGUI::Key::ArrowUp)) return moveRow(-1);
  if (isKey(key, L"Dwon", CEGUI::Key::ArrowDown)) return moveRow(1);
  if (isKey(key, L"OK", CEGUI::Key::Return) || key == CEGUI::Key::NumpadEnter) return press();
  return false;
}

bool CAlbumWnd::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  // A button the mouse used takes the focus over (the key bubbled up from the active window).
  CEGUI::Window* target = d_root ? d_root->getActiveChild() : nullptr;
  if (target && target != d_root && target != focused()) syncFocusFrom(target);
  return handleKey(static_cast<unsigned>(e.scancode));
}

bool CAlbumWnd::onPageShown(const CEGUI::EventArgs&) {
  if (!tabs_) return false;
  // The rows changed under the focus: it stays in its row and column as far as they remain.
  const int row = focusRow_, column = focusColumn_;
  buildFocusRows();
  if (row == 0 || focusRows_.size() <= 1) focusAt(row == 0 ? 0 : static_cast<int>(focusRows_.size()) - 1, column);
  else focusAt(std::min(row, static_cast<int>(focusRows_.size()) - 1), column);
  return false;
}

bool CAlbumWnd::onTabChanged(const CEGUI::EventArgs&) {
  buildFocusRows();
  // A tab chosen with the mouse or from the tab strip: the focus is on the strip.
  focusAt(0, 0);
  return false;
}

bool CAlbumWnd::onBackLater(const CEGUI::EventArgs&) {
  if (d_root && context_.onBack) context_.onBack();
  return true;
}

CAlbumWnd* createWorksWindow(CEGUI::Window* parent, AlbumWndContext context) {
  auto* page = new CAlbumWnd(std::move(context));
  page->createPage(parent);
  if (!page->pageWindow()) {
    delete page;
    return nullptr;
  }
  if (parent) parent->addChild(page->pageWindow());
  page->onAttached();
  return page;
}
