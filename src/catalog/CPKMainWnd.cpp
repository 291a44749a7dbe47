// The contest hub: windows, picture sets, subscriptions and the creation by the application.
#include "catalog/CPKMainWnd.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>

#include "AppSet/PictureSet.h"
#include "PK/CMissonManager.h"
#include "app/AppLog.h"
#include "app/EventNames.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "catalog/CComboxItem.h"
#include "catalog/PKCompetitionSongsEffect.h"
#include "catalog/PKHubPictures.h"
#include "guishell/ShellEvents.h"
#include "oscompat/ShellOpen.h"
#include "oscompat/Utf.h"

const CEGUI::String CPKMainWnd::kLayout("PK_PKMainWnd.layout");

namespace pkcarousel {

int step(int first, int count, int direction) {
  if (count <= kSlots) return first;
  return direction == 1 ? (first + kSlots) % count : (first + count - kSlots) % count;
}

int songAt(int first, int slot, int count) {
  if (slot < 0 || slot >= kSlots || count <= 0) return -1;
  if (count <= kSlots) return slot < count ? slot : -1;
  return (first + slot) % count;
}

}  // namespace pkcarousel

CPKMainWnd::CPKMainWnd(PKHubContext context)
    : context_(std::move(context)), effect_(std::make_unique<PKCompetitionSongsEffect>()) {
  requests_ = context_.requests ? context_.requests : networkHubRequests();
  pictureSets_.push_back(std::make_unique<ShowHeadPicture>());
  pictureSets_.push_back(std::make_unique<ShowThemePicture>());
}

CPKMainWnd::~CPKMainWnd() {
  disconnectReplies();
  if (d_root) closePage();
  // The pictures it made go with it; a hub that took over a name keeps that picture.
  pkhub::destroyOwnedImages(this);
}

bool CPKMainWnd::closePage() {
  disconnectReplies();
  if (effectFrame_) effect_->attachTo(nullptr);
  effectFrame_ = nullptr;
  slots_.fill(nullptr);
  heads_.fill(nullptr);
  songRule_ = container_ = left_ = right_ = periodTxt_ = rankTxt_ = headMore_ = focusRing_ = nullptr;
  orderCom_ = nullptr;
  focusRows_.clear();
  focusRow_ = -1;
  return IPageCtrl::closePage();
}

void CPKMainWnd::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(kLayout);
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("CPKMainWnd: ") + e.what());
    d_root = nullptr;
    return;
  }
  lookUpWindows();
  requests_->requestPeriodInfo();
  addOrderItems();
  if (effectFrame_) {
    effect_->attachTo(effectFrame_);
    effect_->setStep(0.04f);
  }
  applyPictureSets();
  subscribeWindows();
  subscribeReplies();
  buildFocusRows();
}

void CPKMainWnd::lookUpWindows() {
  auto find = [this](const char* name) { return findWindow(CEGUI::String(name), d_root); };
  songRule_ = find("PKWnd/MyPK/SongRule");
  container_ = find("PKWnd/MyPK/PKSong/Container");
  left_ = find("PKWnd/MyPK/PKSong/Container/Left");
  right_ = find("PKWnd/MyPK/PKSong/Container/Right");
  effectFrame_ = find("PKWnd/MyPK/PKSong/Container/Frame/EffectFrame");
  // The songs sit inside the effect frame so that the slide moves them.
  CEGUI::Window* songs = find("PKWnd/MyPK/PKSong/Container/Frame/EffectFrame/CompetitionSongs");
  if (!songs) songs = find("PKWnd/MyPK/PKSong/Container/Frame/CompetitionSongs");
  for (int i = 0; i < kSongCount; ++i) {
    const CEGUI::String name = "CompetitionSong" + CEGUI::PropertyHelper<int>::toString(i + 1);
    slots_[static_cast<std::size_t>(i)] = songs && songs->isChild(name) ? songs->getChild(name) : nullptr;
  }
  for (int i = 0; i < kHeads; ++i)
    heads_[static_cast<std::size_t>(i)] =
        findWindow("PKWnd/PKHead/Head" + CEGUI::PropertyHelper<int>::toString(i + 1), d_root);
  periodTxt_ = find("PKWnd/MyPK/CurrentPage/Txt");
  rankTxt_ = find("PKWnd/MyRank/RankTxt");
  orderCom_ = dynamic_cast<CEGUI::Combobox*>(find("PKWnd/Order/OrderCom"));
  headMore_ = find("PKWnd/PKHead/HeadMore");
  focusRing_ = find("PKWnd/FocusRing");
  if (periodTxt_) periodBase_ = periodTxt_->getText();
  for (CEGUI::Window* w : slots_)
    if (!w) appLogError("CPKMainWnd: the layout lacks a contest song slot");
}

void CPKMainWnd::addOrderItems() {
  if (!orderCom_) return;
  static const char* const kItems[] = {"分数", "人气", "最新", "鲜花"};
  for (int i = 0; i < 4; ++i)
    orderCom_->addItem(new CComboxItem(guiStringUtf8(kItems[i]), static_cast<CEGUI::uint>(i + 1)));
  orderCom_->setSingleClickEnabled(false);
  orderCom_->setReadOnly(true);
  orderCom_->setItemSelectState(static_cast<std::size_t>(0), true);
  ordering_ = ByScore;
}

void CPKMainWnd::applyPictureSets() {
  for (auto& set : pictureSets_) {
    set->load();
    std::vector<CEGUI::PropertySet*> windows;
    if (set->pictureKind() == 0) {
      for (CEGUI::Window* w : heads_) windows.push_back(w);
    } else {
      for (CEGUI::Window* w : slots_) windows.push_back(w);
    }
    const int n = std::min(set->count(), static_cast<int>(windows.size()));
    if (n > 0) set->apply(windows.data(), n);
  }
}

void CPKMainWnd::subscribeWindows() {
  using CEGUI::Event;
  using CEGUI::EventArgs;
  d_root->subscribeEvent(CEGUI::Window::EventDestructionStarted, Event::Subscriber(&CPKMainWnd::onWindowsDestroyed, this));
  if (songRule_)
    songRule_->subscribeEvent(CEGUI::PushButton::EventClicked, Event::Subscriber([this](const EventArgs&) {
                                openUrl(context_.ruleUrl);
                                return true;
                              }));
  if (left_)
    left_->subscribeEvent(CEGUI::PushButton::EventClicked, Event::Subscriber([this](const EventArgs&) {
                            carouselStep(0);
                            return true;
                          }));
  if (right_)
    right_->subscribeEvent(CEGUI::PushButton::EventClicked, Event::Subscriber([this](const EventArgs&) {
                             carouselStep(1);
                             return true;
                           }));
  if (orderCom_) {
    if (CEGUI::Window* edit = orderCom_->getEditbox())
      edit->subscribeEvent(CEGUI::Window::EventMouseClick, Event::Subscriber([this](const EventArgs&) {
                             if (orderCom_->isDropDownListVisible()) orderCom_->hideDropList();
                             else orderCom_->showDropList();
                             return true;
                           }));
    orderCom_->subscribeEvent(CEGUI::Combobox::EventListSelectionAccepted, Event::Subscriber([this](const EventArgs&) {
                                if (CEGUI::ListboxItem* item = orderCom_->getSelectedItem())
                                  chooseOrdering(static_cast<int>(item->getID()));
                                return true;
                              }));
  }
  if (headMore_)
    headMore_->subscribeEvent(CEGUI::PushButton::EventClicked, Event::Subscriber([this](const EventArgs&) {
                                openUrl(moreUrl_);
                                return true;
                              }));
  for (int i = 0; i < kSongCount; ++i) {
    CEGUI::Window* w = slots_[static_cast<std::size_t>(i)];
    if (!w) continue;
    w->setWantsMultiClickEvents(true);
    w->subscribeEvent(CEGUI::PushButton::EventClicked, Event::Subscriber([this, i](const EventArgs&) {
                        selectSlot(i);
                        syncFocusFrom(slots_[static_cast<std::size_t>(i)]);
                        return true;
                      }));
    w->subscribeEvent(CEGUI::Window::EventMouseDoubleClick, Event::Subscriber([this, i](const EventArgs&) {
                        orderSlot(i);
                        return true;
                      }));
  }
  for (int i = 0; i < kHeads; ++i) {
    CEGUI::Window* w = heads_[static_cast<std::size_t>(i)];
    if (!w) continue;
    w->subscribeEvent(CEGUI::PushButton::EventClicked, Event::Subscriber([this, w](const EventArgs&) {
                        if (const auto* product = static_cast<const PKProductRecord*>(w->getUserData()))
                          openUrl(product->WebUrl);
                        return true;
                      }));
  }
  d_root->subscribeEvent(CEGUI::Window::EventKeyDown, Event::Subscriber(&CPKMainWnd::onKeyDown, this));
  d_root->subscribeEvent(CEGUI::Window::EventShown, Event::Subscriber(&CPKMainWnd::onShown, this));
}

void CPKMainWnd::subscribeReplies() {
  auto& global = CEGUI::GlobalEventSet::getSingleton();
  auto on = [&](const CEGUI::String& name, bool (CPKMainWnd::*handler)(const CEGUI::EventArgs&)) {
    replies_.push_back(global.subscribeEvent(EventNames::global(name), CEGUI::Event::Subscriber(handler, this)));
  };
  on(EventNames::GetPKSong, &CPKMainWnd::onPKSong);
  on(EventNames::GetPKSongInterfacePic, &CPKMainWnd::onPKSongPictures);
  on("GetCompetitionProductsInfo", &CPKMainWnd::onProductsRequest);
  on(EventNames::RecBackCompetitionProductsInfo, &CPKMainWnd::onProducts);
  on(EventNames::RecBackCompetitionProductsPic, &CPKMainWnd::onProductPicture);
  on(EventNames::RecBackMyRankInfo, &CPKMainWnd::onMyRank);
  on(EventNames::RecBackPeriodInfo, &CPKMainWnd::onPeriod);
  replies_.push_back(CEGUI::System::getSingleton().subscribeEvent(
      guishell::System_EventInjectKeyDown, CEGUI::Event::Subscriber(&CPKMainWnd::onAnyKeyDown, this)));
  if (CMissonManager* missons = CMissonManager::getSingletonPtr()) {
    replies_.push_back(missons->subscribeEvent(CMissonManager::EventPlay, CEGUI::Event::Subscriber(&CPKMainWnd::onSongStarting, this)));
    for (const CEGUI::String* name : {&CMissonManager::EventStop, &CMissonManager::EventMissonChange, &CMissonManager::EventSangChange})
      replies_.push_back(missons->subscribeEvent(*name, CEGUI::Event::Subscriber(&CPKMainWnd::onQueueChanged, this)));
  }
}

bool CPKMainWnd::onSongStarting(const CEGUI::EventArgs&) {
  CMissonManager* missons = CMissonManager::getSingletonPtr();
  const CBaseMisson* current = missons ? missons->current() : nullptr;
  if (!current || !d_root) return false;
  singing_ = static_cast<unsigned long long>(current->key);
  if (orderCom_) orderCom_->hideDropList();
  d_root->hide();
  return false;
}

// While its song is sung the hub stays out of sight, whoever shows it: the key choice over the
// hub gives back the window that was active before it, with all its ancestors, when it ends.
bool CPKMainWnd::onShown(const CEGUI::EventArgs&) {
  if (singing_ && d_root) d_root->hide();
  return false;
}

bool CPKMainWnd::onQueueChanged(const CEGUI::EventArgs&) {
  if (!singing_ || !d_root) return false;
  CMissonManager* missons = CMissonManager::getSingletonPtr();
  const CBaseMisson* current = missons ? missons->current() : nullptr;
  // The song sung has ended, or never started (its key choice was dropped): the hub is back.
  if (current && static_cast<unsigned long long>(current->key) == singing_ && current->state != CBaseMisson::Idle)
    return false;
  singing_ = 0;
  d_root->show();
  return false;
}

void CPKMainWnd::disconnectReplies() {
  // Only this window's subscriptions go: other subscribers of the same events stay.
  for (auto& connection : replies_) connection->disconnect();
  replies_.clear();
}

bool CPKMainWnd::onWindowsDestroyed(const CEGUI::EventArgs&) {
  // Replies still on their way find no subscriber once the windows are gone.
  disconnectReplies();
  return false;
}

void CPKMainWnd::openUrl(const std::wstring& url) {
  if (url.empty()) {
    appLog("contest hub: no web address to open");
    return;
  }
  if (context_.openUrl) context_.openUrl(url);
  else oscompat::shellOpen(oscompat::utf8FromWide(url));
}

int CPKMainWnd::slotSong(int slot) const { return pkcarousel::songAt(first_, slot, songCount()); }

// What the application holds of the square shows at once: a hub opened again from the menu
// does not wait for a reply that came before it.
void CPKMainWnd::showStored() {
  const PKHubData& data = pkHubData();
  if (data.songs.empty()) return;
  takeSongs(data.songs);
  takePictures();
}

CPKMainWnd* createContestHub(CEGUI::Window* parent, PKHubContext context) {
  auto* page = new CPKMainWnd(std::move(context));
  page->createPage(parent);
  if (!page->pageWindow()) {
    delete page;
    return nullptr;
  }
  if (parent) parent->addChild(page->pageWindow());
  page->onAttached();
  return page;
}

CPKMainWnd* createContestHub(CEGUI::Window* parent, const std::wstring& userId, const std::wstring& ruleUrl) {
  PKHubContext context;
  context.userId = userId;
  context.ruleUrl = ruleUrl;
  return createContestHub(parent, std::move(context));
}
