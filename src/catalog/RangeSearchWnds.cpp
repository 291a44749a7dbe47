#include "catalog/RangeSearchWnds.h"

#include <CEGUI/CEGUI.h>

#include "AppSet/KeyMap.h"
#include "app/AppLog.h"
#include "app/SongIEventSet.h"
#include "app/TextConvert.h"
#include "catalog/CSongList.h"
#include "catalog/FillLists.h"
#include "catalog/CatalogueLists.h"
#include "widgets/ListItems.h"
#include "widgets/MultiColumnListEx.h"

const CEGUI::String CStrokeSearchWnd::EventBaiJiaXingDataBack("EventBaiJiaXingDataBack");

namespace {
const CEGUI::String kTitle = "set:SongListTille image:SearchResult";
}

CEGUI::Window* CRangeSearchWnd::child(const CEGUI::String& path) const {
  return d_root && d_root->isChild(path) ? d_root->getChild(path) : nullptr;
}

void CRangeSearchWnd::createPage(CEGUI::Window*) {
  try {
    d_root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(config_.layout, "");
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("a range search: ") + e.what());
    d_root = nullptr;
  }
}

bool CRangeSearchWnd::onAttached() {
  list_ = dynamic_cast<CEGUI::MultiColumnListEx*>(child(config_.listName));
  if (!list_) {
    appLogError("a range search: the layout has no list " + std::string(config_.listName.c_str()));
    return false;
  }
  setUpGrid(*list_);
  try {
    tooltip_ = CEGUI::WindowManager::getSingleton().createWindow("TaharezLook/Tooltip", config_.tooltipName);
    tooltip_->setFont("MSYH_10");
    d_root->addChild(tooltip_);
    list_->setTooltip(static_cast<CEGUI::Tooltip*>(tooltip_));
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("a range search: no tooltip: ") + e.what());
    tooltip_ = nullptr;
  }
  while (list_->getColumnCount() > 0) list_->removeColumn(0);
  list_->addColumn("", 0, CEGUI::UDim(0.5f, 0));
  list_->addColumn("", 1, CEGUI::UDim(0.5f, 0));
  list_->fillPages(kRows);
  fillRanges();
  list_->subscribeEvent(CEGUI::MultiColumnList::EventSelectionChanged,
                        CEGUI::Event::Subscriber(&CRangeSearchWnd::onSelection, this));
  list_->subscribeEvent(CEGUI::Window::EventKeyDown, CEGUI::Event::Subscriber(&CRangeSearchWnd::onKeyDown, this));
  list_->subscribeEvent(CEGUI::MultiColumnListEx::EventPrePage, CEGUI::Event::Subscriber(&CRangeSearchWnd::onPage, this));
  list_->subscribeEvent(CEGUI::MultiColumnListEx::EventNextPage, CEGUI::Event::Subscriber(&CRangeSearchWnd::onPage, this));
  for (const char* name : {"ReturnBtn", "CloseBtn"})
    if (CEGUI::Window* b = child(name))
      b->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber(&CRangeSearchWnd::onReturn, this));
  list_->activate();
  return true;
}

bool CRangeSearchWnd::closePage() {
  list_ = nullptr;
  return IPageCtrl::closePage();
}

void CRangeSearchWnd::fillRanges() {
  keywords_.clear();
  for (const SearchRange& r : config_.ranges) keywords_.push_back(r.keyword);
  const float height = list_->getListRenderArea().getHeight() / kRows;
  const CEGUI::Image* selected = CEGUI::ImageManager::getSingleton().isDefined("list/WordsCountItemBK_Selected")
                                     ? &CEGUI::ImageManager::getSingleton().get("list/WordsCountItemBK_Selected")
                                     : nullptr;
  for (std::size_t i = 0; i < config_.ranges.size() && i < 2 * kRows; ++i) {
    CEGUI::ListColumnText label(guiStringUtf8(config_.ranges[i].label), 0.7f, 0.3f);
    label.normalColours = CEGUI::ColourRect(CEGUI::Colour(0xFF00FFFF));
    label.fontName = "MSYH_32";  // read from the sofa
    label.selectedColours = CEGUI::ColourRect(CEGUI::Colour(1.0f, 0.87f, 0.0f, 1.0f));
    auto* item = new CEGUI::CListItemEx({label}, 0, &keywords_[i]);
    item->setHeight(height);
    item->setSelectionBrushImage(selected);
    list_->setItem(item, CEGUI::MCLGridRef(static_cast<unsigned>(i / 2), static_cast<unsigned>(i % 2)));
  }
  list_->selectCell(0, 0);
}

CEGUI::ListboxItem* CRangeSearchWnd::rangeItem(std::size_t index) const {
  if (!list_) return nullptr;
  return list_->getItemAtGridReference(CEGUI::MCLGridRef(static_cast<unsigned>(index / 2), static_cast<unsigned>(index % 2)));
}

void CRangeSearchWnd::pick(const std::wstring& keyword) {
  const CSearchInfo query(config_.singers ? L"2" : L"1", scope_, keyword);
  result_ = config_.singers ? openSingerList(query, kTitle.c_str()) : openSongList(query, kTitle.c_str());
  if (d_root) d_root->hide();
  result_->subscribeEvent("EndModal", CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
                            result_ = nullptr;
                            endModal(1);
                            return true;
                          }));
}

bool CRangeSearchWnd::onSelection(const CEGUI::EventArgs&) {
  if (!list_ || result_) return false;
  CEGUI::ListboxItem* item = list_->getFirstSelectedItem();
  if (!item || !item->getUserData() || CEGUI::isPlaceholderItem(item)) return false;
  pick(*static_cast<const std::wstring*>(item->getUserData()));
  return true;
}

bool CRangeSearchWnd::onKeyDown(const CEGUI::EventArgs& args) {
  const auto& e = static_cast<const CEGUI::KeyEventArgs&>(args);
  if (isMappedKey(e.scancode, L"Back")) {
    endModal(1);
    return true;
  }
  return false;
}

bool CRangeSearchWnd::onReturn(const CEGUI::EventArgs&) {
  endModal(1);
  return true;
}

// The six ranges are all there is: a page event at the grid's edge shows them again.
bool CRangeSearchWnd::onPage(const CEGUI::EventArgs&) {
  if (!list_) return false;
  CEGUI::ListboxItem* selected = list_->getFirstSelectedItem();
  const unsigned column = selected ? static_cast<unsigned>(list_->getItemColumnIndex(selected)) : 0;
  list_->selectCell(column, 0);
  return true;
}

// --- the two searches

CStrokeSearchWnd::CStrokeSearchWnd(const std::wstring& scope)
    : CRangeSearchWnd({"PK_StrokesSearchWnd.layout", "DataList", "StrokeSearchWndListTootip",
                       {{"1 一~四划", L"1-4"}, {"2 五~七划", L"5-7"}, {"3 八~十划", L"8-10"},
                        {"4 十一~十三划", L"11-13"}, {"5 十四~十六划", L"14-16"}, {"6 十六划以上", L"17-"}},
                       true},
                      scope) {}

CStrokeSearchWnd::~CStrokeSearchWnd() {
  if (surnames_.isValid()) surnames_->disconnect();
}

bool CStrokeSearchWnd::onAttached() {
  if (!CRangeSearchWnd::onAttached()) return false;
  if (SongIEventSet* hub = SongIEventSet::getSingletonPtr())
    surnames_ = hub->subscribeEvent(EventBaiJiaXingDataBack, CEGUI::Event::Subscriber(&CStrokeSearchWnd::onSurnames, this));
  if (CEGUI::Window* tip = child("SearchTip")) tip->setText(guiStringUtf8("按歌手姓氏的笔画数查找"));
  return true;
}

bool CStrokeSearchWnd::onSurnames(const CEGUI::EventArgs& args) {
  const auto* table = dynamic_cast<const BaiJiaXingEventArgs*>(&args);
  if (!table) return false;
  for (std::size_t i = 0; i < 2 * kRows; ++i) {
    CEGUI::ListboxItem* item = rangeItem(i);
    if (!item || !item->getUserData() || *static_cast<const std::wstring*>(item->getUserData()) != table->keyword)
      continue;
    std::wstring names;
    for (const std::wstring& s : table->surnames) names += (names.empty() ? L"" : L" ") + s;
    item->setTooltipText(guiString(names));
  }
  return true;
}

CWordsCountSearchWnd::CWordsCountSearchWnd(const std::wstring& scope)
    : CRangeSearchWnd({"PK_WordsCountSearchWnd.layout", "List", "WordsCountSearchListTootip",
                       {{"1 一~二字", L"1-2"}, {"2 三~四字", L"3-4"}, {"3 五~六字", L"5-6"},
                        {"4 七~八字", L"7-8"}, {"5 九~十字", L"9-10"}, {"6 十字以上", L"11-100"}},
                       false},
                      scope) {}

bool CWordsCountSearchWnd::onAttached() {
  if (!CRangeSearchWnd::onAttached()) return false;
  // One page of ranges: there is nothing to page to.
  for (const char* name : {"PrePageBtn", "NextPageBtn"})
    if (CEGUI::Window* b = child(name)) b->setEnabled(false);
  if (CEGUI::Window* counter = child("PageNum")) counter->setText(guiStringUtf8("页数：1/1"));
  return true;
}
