#include "catalog/CSongList.h"

#include <CEGUI/CEGUI.h>

#include "AppSet/KeyMap.h"
#include "app/AppEventArgs.h"
#include "app/AppLog.h"
#include "app/EventNames.h"
#include "app/TextConvert.h"
#include "catalog/FillLists.h"
#include "catalog/IDataSource.h"
#include "catalog/ListOperations.h"
#include "catalog/NetDataSources.h"
#include "widgets/ListItems.h"
#include "widgets/MultiColumnListEx.h"

const CEGUI::String CSongList::kLayout("PK_SongListWnd.layout");
const CEGUI::String CSongList::kFetching(guiStringUtf8("正在获取网络数据..."));

namespace {
// What the status line says when the service did not answer, and when nothing matched.
const CEGUI::String kNetFailed(guiStringUtf8("网络连接失败，请稍后再试"));
const CEGUI::String kNothing(guiStringUtf8("没有找到符合条件的结果"));
const CEGUI::String kEmptyList(guiStringUtf8("列表中还没有歌曲"));

// "set:S image:I" (the menu's and the list table's form) or "S/I", as the GUI's image name.
CEGUI::String imageName(const CEGUI::String& text) {
  const CEGUI::String set = "set:", image = " image:";
  if (text.compare(0, set.size(), set) != 0) return text;
  const size_t at = text.find(image);
  if (at == CEGUI::String::npos) return text;
  return text.substr(set.size(), at - set.size()) + "/" + text.substr(at + image.size());
}

bool isPageCommand(int command) { return command == 5011 || command == 5012 || command == 2504; }
}  // namespace

CSongList::CSongList(const CEGUI::String& namePrefix) : prefix_(namePrefix), fill_(new SongInfoFillList) {
  tipConnection_ =
      tipTimer_.subscribeEvent(CEGUITimer::EventTimer, CEGUI::Event::Subscriber(&CSongList::onTipTimer, this));
  netError_ = CEGUI::GlobalEventSet::getSingleton().subscribeEvent(
      EventNames::global(EventNames::NetError), CEGUI::Event::Subscriber(&CSongList::onNetError, this));
}

CSongList::~CSongList() {
  for (auto* c : {&gotData_, &getNetDatas_, &endOperation_, &netError_, &tipConnection_})
    if (c->isValid()) (*c)->disconnect();
  tipTimer_.KillTimer();
  operation_.reset();  // ends what it opened before the list goes
}

void CSongList::setDataSource(IDataSource* source) {
  if (gotData_.isValid()) gotData_->disconnect();
  if (getNetDatas_.isValid()) getNetDatas_->disconnect();
  source_.reset(source);
  if (!source_) return;
  gotData_ = source_->subscribeEvent(IDataSource::EventGotData, CEGUI::Event::Subscriber(&CSongList::onGotData, this));
  getNetDatas_ =
      source_->subscribeEvent(IDataSource::EventGetNetDatas, CEGUI::Event::Subscriber(&CSongList::onGetNetDatas, this));
}

void CSongList::setFillList(IFillListObject* fill) {
  fill_.reset(fill);
  if (fill_ && list_) {
    fill_->setList(list_);
    fill_->createEmptyRows();
  }
}

void CSongList::setOperation(IListOperation* operation) {
  if (endOperation_.isValid()) endOperation_->disconnect();
  operation_.reset(operation);
  if (operation_)
    endOperation_ = operation_->subscribeEvent(IListOperation::EventEndOperation,
                                               CEGUI::Event::Subscriber(&CSongList::onEndOperation, this));
}

CEGUI::Window* CSongList::child(const CEGUI::String& path) const {
  return d_root && d_root->isChild(path) ? d_root->getChild(path) : nullptr;
}

void CSongList::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(kLayout, "");
    // Several lists can be open at once (a singer's songs over the singer list).
    d_root->setName(prefix_ + d_root->getName());
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("CSongList: ") + e.what());
    d_root = nullptr;
  }
}

bool CSongList::onAttached() {
  list_ = dynamic_cast<CEGUI::MultiColumnListEx*>(child("SongList"));
  if (!list_) {
    appLogError("CSongList: the layout has no song grid");
    return false;
  }
  setUpGrid(*list_);
  if (CEGUI::Window* title = child("TitleImage")) {
    title->setProperty("Image", imageName(title_));
    title->setVisible(!title_.empty());
  }
  if (fill_) {
    fill_->setList(list_);
    fill_->createEmptyRows();
  }
  list_->subscribeEvent(CEGUI::Window::EventMouseMove, CEGUI::Event::Subscriber(&CSongList::onMouseMove, this));
  list_->subscribeEvent(CEGUI::MultiColumnList::EventSelectionChanged,
                        CEGUI::Event::Subscriber(&CSongList::onSelection, this));
  list_->subscribeEvent(CEGUI::MultiColumnListEx::EventPrePage, CEGUI::Event::Subscriber(&CSongList::onPrevPage, this));
  list_->subscribeEvent(CEGUI::MultiColumnListEx::EventNextPage, CEGUI::Event::Subscriber(&CSongList::onNextPage, this));
  list_->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CSongList::onKeyDown, this));
  if (CEGUI::Window* b = child("PrePageBtn"))
    b->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CSongList::onPrevPage, this));
  if (CEGUI::Window* b = child("NextPageBtn"))
    b->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CSongList::onNextPage, this));
  if (CEGUI::Window* b = child("ReturnBtn"))
    b->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CSongList::onReturn, this));
  hideTip();
  list_->activate();
  return true;
}

bool CSongList::closePage() {
  tipTimer_.KillTimer();
  list_ = nullptr;
  return IPageCtrl::closePage();
}

void CSongList::setStatus(const CEGUI::String& text) {
  if (CEGUI::Window* tip = child("SearchTip")) tip->setText(text);
}

bool CSongList::onGetNetDatas(const CEGUI::EventArgs&) {
  waiting_ = true;
  setStatus(kFetching);
  return true;
}

bool CSongList::onNetError(const CEGUI::EventArgs& args) {
  const auto* error = dynamic_cast<const ErrorEventArgs*>(&args);
  // The list keeps what it shows; the next page press asks again.
  if (!error || !waiting_ || !isPageCommand(error->commandNumber) || !d_root) return false;
  waiting_ = false;
  setStatus(kNetFailed);
  // The page paged to did not come: the next press pages on from the one on screen.
  if (source_) source_->setCurrentPage(shownPage_);
  return false;
}

bool CSongList::onGotData(const CEGUI::EventArgs& args) {
  waiting_ = false;
  if (!list_ || !source_) return true;
  const int total = source_->getPageCount();
  if (total > 1 || source_->needsFill()) {
    source_->setFilled(1);
    fill_->fillPage(args, direction_);
    shownPage_ = source_->getCurrentPage();
    const int n = total > 0 ? source_->getCurrentPage() + 1 : 0;
    if (CEGUI::Window* counter = child("PageNum"))
      counter->setText(guiStringUtf8("页数：" + std::to_string(n) + "/" + std::to_string(total)));
    // A search that found nothing, or a list of the queue that holds nothing yet.
    const bool search = dynamic_cast<CDataSourceNet*>(source_.get()) != nullptr;
    setStatus(total == 0 ? (search ? kNothing : kEmptyList) : "");
    list_->startFlip(direction_);
  }
  for (const char* name : {"PrePageBtn", "NextPageBtn"})
    if (CEGUI::Window* b = child(name)) b->setEnabled(total > 1);
  return true;
}

bool CSongList::onSelection(const CEGUI::EventArgs&) {
  if (!list_ || !operation_) return false;
  CEGUI::ListboxItem* item = list_->getFirstSelectedItem();
  if (!item || !item->getUserData() || CEGUI::isPlaceholderItem(item)) return false;
  hideTip();
  void* record = item->getUserData();
  // The list waits behind the button window; no page arrives meanwhile.
  if (d_root) d_root->hide();
  if (source_) source_->disconnect();
  operation_->operate(record);
  return true;
}

bool CSongList::onPrevPage(const CEGUI::EventArgs&) {
  hideTip();
  tipTimer_.KillTimer();
  direction_ = 0;
  if (source_) source_->prevPage();
  return true;
}

bool CSongList::onNextPage(const CEGUI::EventArgs&) {
  hideTip();
  tipTimer_.KillTimer();
  direction_ = 1;
  if (source_) source_->nextPage();
  return true;
}

bool CSongList::onReturn(const CEGUI::EventArgs&) {
  endModal(1);
  return true;
}

bool CSongList::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  if (isMappedKey(e.scancode, L"Back")) {
    endModal(1);
    return true;
  }
  return false;
}

void CSongList::hideTip() {
  if (CEGUI::Window* bk = child("SongList/ToolTipBK")) bk->hide();
  if (CEGUI::Window* tip = child("SongList/ToolTip")) tip->hide();
}

bool CSongList::onTipTimer(const CEGUI::EventArgs&) {
  tipTimer_.KillTimer();
  hideTip();
  return true;
}

bool CSongList::onMouseMove(const CEGUI::EventArgs& args) {
  hideTip();
  if (!list_) return false;
  const auto* item = dynamic_cast<const CEGUI::ListboxItemEx*>(list_->getFirstSelectedItem());
  if (!item || !item->getUserData() || !item->isShowTip() || !item->isActived()) return false;
  CEGUI::Window* bk = child("SongList/ToolTipBK");
  CEGUI::Window* tip = child("SongList/ToolTip");
  if (!bk || !tip) return false;
  const auto& e = static_cast<const CEGUI::MouseEventArgs&>(args);
  const CEGUI::Vector2f at = CEGUI::CoordConverter::screenToWindow(*list_, e.position);
  const CEGUI::UVector2 position(CEGUI::UDim(0, at.d_x + 20), CEGUI::UDim(0, at.d_y - 30));
  tip->setText(item->getTooltipText());
  bk->setPosition(position);
  tip->setPosition(position);
  bk->show();
  tip->show();
  tipTimer_.SetTimer(kTipMs);
  return false;
}

bool CSongList::onEndOperation(const CEGUI::EventArgs& args) {
  const auto& end = static_cast<const SongListWndEndArgs&>(args);
  if (end.flag == 16) {
    // A related-songs list stands in front.
    if (d_root) d_root->hide();
    return true;
  }
  if (source_) source_->connect();
  if (end.code == 2 || end.code == 4 || end.code == 8 || end.code == 15) {
    endModal(1);
    return true;
  }
  if (d_root) d_root->show();
  if (list_) list_->activate();
  return true;
}
