#include "catalog/CSongBook.h"

#include <CEGUI/CEGUI.h>

#include <string>

#include "AppSet/KeyMap.h"
#include "NetWork/NetworkInterface.h"
#include "app/AppEventArgs.h"
#include "app/AppLog.h"
#include "app/EventNames.h"
#include "app/TextConvert.h"
#include "catalog/FillLists.h"
#include "catalog/ListOperations.h"
#include "catalog/NetDataSources.h"
#include "dialogs/CRemoveTipWnd.h"
#include "widgets/ListItems.h"
#include "widgets/MultiColumnListEx.h"

const CEGUI::String CSongBook::kLayout("PK_SongNoteBookWnd.layout");

CSongBook::CSongBook() : source_(std::make_unique<CSongBookData>()), fill_(std::make_unique<SongInfoFillList>()) {
  gotData_ = source_->subscribeEvent(IDataSource::EventGotData, CEGUI::Event::Subscriber(&CSongBook::onGotData, this));
  getNetDatas_ =
      source_->subscribeEvent(IDataSource::EventGetNetDatas, CEGUI::Event::Subscriber(&CSongBook::onGetNetDatas, this));
}

CSongBook::~CSongBook() {
  for (auto* c : {&gotData_, &getNetDatas_, &searchNotify_, &delNotify_, &endOperation_, &confirmEnd_})
    if (c->isValid()) (*c)->disconnect();
  if (confirm_) {
    if (confirm_->pageWindow()) confirm_->endModal(0);
    IPageCtrl::freeLater(confirm_);
  }
}

CEGUI::Window* CSongBook::child(const CEGUI::String& path) const {
  return d_root && d_root->isChild(path) ? d_root->getChild(path) : nullptr;
}

void CSongBook::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(kLayout, "");
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("CSongBook: ") + e.what());
    d_root = nullptr;
  }
}

bool CSongBook::onAttached() {
  list_ = dynamic_cast<CEGUI::MultiColumnListEx*>(child("ItemList"));
  if (!list_) {
    appLogError("CSongBook: the layout has no song grid");
    return false;
  }
  setUpGrid(*list_);
  fill_->setList(list_);
  operation_ = std::make_unique<CSongBookOperation>();
  endOperation_ = operation_->subscribeEvent(IListOperation::EventEndOperation,
                                             CEGUI::Event::Subscriber(&CSongBook::onEndOperation, this));
  // Only this page's own subscriptions go with it; the application's stay.
  auto& global = CEGUI::GlobalEventSet::getSingleton();
  searchNotify_ = global.subscribeEvent(EventNames::global(EventNames::SongBookSearchNotify),
                                        CEGUI::Event::Subscriber(&CSongBook::onSearchNotify, this));
  delNotify_ = global.subscribeEvent(EventNames::global(EventNames::SongBookDelNotify),
                                     CEGUI::Event::Subscriber(&CSongBook::onDelNotify, this));
  list_->subscribeEvent(CEGUI::MultiColumnListEx::EventPrePage, CEGUI::Event::Subscriber(&CSongBook::onPrev, this));
  list_->subscribeEvent(CEGUI::MultiColumnListEx::EventNextPage, CEGUI::Event::Subscriber(&CSongBook::onNext, this));
  list_->subscribeEvent(CEGUI::MultiColumnList::EventSelectionChanged,
                        CEGUI::Event::Subscriber(&CSongBook::onSelection, this));
  list_->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CSongBook::onKeyDown, this));
  const struct {
    const char* name;
    bool (CSongBook::*handler)(const CEGUI::EventArgs&);
  } buttons[] = {{"BtnPrew", &CSongBook::onPrev}, {"BtnNext", &CSongBook::onNext},
                 {"BtnClose", &CSongBook::onClose}, {"BtnDelAll", &CSongBook::onDelAll}};
  for (const auto& b : buttons)
    if (CEGUI::Window* w = child(b.name))
      w->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(b.handler, this));
  direction_ = 0;
  source_->requestPage(0);
  list_->activate();
  return true;
}

bool CSongBook::closePage() {
  list_ = nullptr;
  return IPageCtrl::closePage();
}

void CSongBook::setStatus(const char* utf8) {
  if (CEGUI::Window* tip = child("SearchTip")) tip->setText(guiStringUtf8(utf8));
}

void CSongBook::updateCounter() {
  const int total = source_->getPageCount();
  const std::string text = total < 1 ? "0/0" : std::to_string(source_->getCurrentPage() + 1) + "/" + std::to_string(total);
  if (CEGUI::Window* counter = child("PageNum")) counter->setText(guiStringUtf8("页数：" + text));
}

bool CSongBook::onGetNetDatas(const CEGUI::EventArgs&) {
  setStatus("正在获取网络数据...");
  return true;
}

bool CSongBook::onGotData(const CEGUI::EventArgs& args) {
  if (!list_) return true;
  setStatus("");
  // A single page is drawn once.
  if (source_->getPageCount() <= 1 && !source_->needsFill()) return true;
  source_->setFilled(1);
  fill_->fillPage(args, direction_);
  list_->startFlip(direction_);
  updateCounter();
  return true;
}

bool CSongBook::onSearchNotify(const CEGUI::EventArgs& args) {
  const auto* error = dynamic_cast<const ErrorEventArgs*>(&args);
  if (!error || !list_) return false;
  if (error->errorCode == kEmptyBook) {
    source_->clear();
    fill_->fillPage(EventArgsSongData(), 0);
    setStatus("您的收藏夹为空！");
    updateCounter();
  } else {
    setStatus("数据获取失败！");
  }
  return false;
}

void CSongBook::reload() {
  source_->clear();
  source_->setFilled(0);
  direction_ = 0;
  source_->requestPage(0);
}

bool CSongBook::onDelNotify(const CEGUI::EventArgs& args) {
  const auto* error = dynamic_cast<const ErrorEventArgs*>(&args);
  if (!error || error->errorCode != 0 || !list_) return false;
  reload();
  setStatus("数据更新中...");
  return false;
}

bool CSongBook::onEndOperation(const CEGUI::EventArgs& args) {
  const auto& end = static_cast<const SongListWndEndArgs&>(args);
  if (end.code == 2 || end.code == 15) {
    endModal(1);
    return true;
  }
  if (d_root) d_root->show();
  if (list_) list_->activate();
  return true;
}

bool CSongBook::onPrev(const CEGUI::EventArgs&) {
  direction_ = 0;
  source_->prevPage();
  return true;
}

bool CSongBook::onNext(const CEGUI::EventArgs&) {
  direction_ = 1;
  source_->nextPage();
  return true;
}

bool CSongBook::onClose(const CEGUI::EventArgs&) {
  endModal(1);
  return true;
}

bool CSongBook::onDelAll(const CEGUI::EventArgs&) {
  askToEmpty();
  return true;
}

// The whole book goes only when the singer confirms it: one stray key must not lose it.
void CSongBook::askToEmpty() {
  if (confirm_) return;
  auto* dialog = new CRemoveTipWnd;
  confirm_ = dialog;
  confirmEnd_ = dialog->subscribeEvent("EndModal", CEGUI::Event::Subscriber([this, dialog](const CEGUI::EventArgs&) {
                                         confirm_ = nullptr;
                                         IPageCtrl::freeLater(dialog);
                                         if (dialog->result() == 1) emptyBook();
                                         if (list_) list_->activate();
                                         return true;
                                       }));
  if (!dialog->attach(CEGUI::System::getSingleton().getDefaultGUIContext().getRootWindow()) || !dialog->pageWindow()) {
    dialog->endModal(0);
    return;
  }
  // The confirmation says what goes: the whole book, not one song.
  CEGUI::Window* root = dialog->pageWindow();
  if (root->isChild("Title")) root->getChild("Title")->setText(guiStringUtf8("清空收藏"));
  if (root->isChild("Message")) root->getChild("Message")->setText(guiStringUtf8("确定要清空收藏夹里的全部歌曲吗？"));
}

void CSongBook::emptyBook() {
  if (NetworkInterface* net = NetworkInterface::getSingletonPtr()) net->RemoveFromSongBook(0);
  reload();
}

bool CSongBook::onSelection(const CEGUI::EventArgs&) {
  if (!list_ || !operation_) return false;
  CEGUI::ListboxItem* item = list_->getFirstSelectedItem();
  if (!item || !item->getUserData() || CEGUI::isPlaceholderItem(item)) return false;
  operation_->operate(item->getUserData());
  if (d_root) d_root->hide();
  return true;
}

bool CSongBook::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  if (isMappedKey(e.scancode, L"Back")) {
    endModal(1);
    return true;
  }
  if (e.scancode == CEGUI::Key::One || e.scancode == CEGUI::Key::Numpad1) {
    askToEmpty();
    return true;
  }
  return false;
}
