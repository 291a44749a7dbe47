#include "catalog/QueueLists.h"

#include <CEGUI/CEGUI.h>

#include "PK/CBaseMisson.h"
#include "PK/MissonDataSources.h"
#include "app/CInfoTipManager.h"
#include "app/TextConvert.h"
#include "catalog/CSongList.h"
#include "catalog/CatalogueLists.h"
#include "catalog/CSongOperationWnd.h"
#include "widgets/ListItems.h"
#include "widgets/MultiColumnListEx.h"

const CEGUI::String CMissonListOperation::kLayout("PK_WaitingSongOperationWnd.layout");
const CEGUI::String CSangListOperation::kLayout("PK_SangOperationWnd.layout");

namespace {
CEGUI::ListColumnText part(const std::wstring& text, float x, float width, CEGUI::argb_t normal,
                           CEGUI::Colour selected = CEGUI::Colour(1.0f, 0.87f, 0.0f, 1.0f)) {
  CEGUI::ListColumnText t(guiString(text), width, x);
  t.normalColours = CEGUI::ColourRect(CEGUI::Colour(normal));
  t.selectedColours = CEGUI::ColourRect(selected);
  return t;
}
}  // namespace

QueueFillList::QueueFillList(bool sangList) {
  if (sangList) labels_ = {{3, L"PK"}};
  else labels_ = {{0, L"唱"}, {1, L"录"}, {2, L"评分"}, {3, L"PK"}};
}

void QueueFillList::fillPage(const CEGUI::EventArgs& args, int direction) {
  std::vector<SangRecord> page;
  if (const auto* queue = dynamic_cast<const EventArgsMissonPage*>(&args)) {
    for (const CBaseMisson* m : queue->missons)
      if (m) page.push_back({m->song(), m->GetType(), m->key});
  } else if (const auto* sang = dynamic_cast<const EventArgsSangPage*>(&args)) {
    for (const SangRecord* r : sang->sang)
      if (r) page.push_back(*r);
  } else {
    return;
  }
  if (!list_) return;
  direction_ = direction;
  const int column = selectedColumn();
  previous_ = std::move(current_);
  current_ = std::move(page);
  auto make = [this](std::vector<SangRecord>& records) {
    return [this, &records](int i) -> CEGUI::ListboxItem* {
      SangRecord& r = records[static_cast<std::size_t>(i)];
      auto label = labels_.find(r.type);
      CEGUI::ListColumnText type =
          part(label == labels_.end() ? L"" : label->second, 0.65f, 0.1f, 0xFFDDD689, CEGUI::Colour(0xFFFFDD00));
      type.fontName = "MSYH_12";
      auto* item = new CEGUI::CListItemEx({part(r.song.SongName, 0.1f, 0.55f, 0xFFFFDD00), type,
                                           part(r.song.SingerName, 0.75f, 0.22f, 0x7FFFFFFF)},
                                          0, &r);
      item->setTooltipText(guiString(r.song.SongName + L"  " + r.song.SingerName));
      item->setShowTip(true);
      return item;
    };
  };
  const int newHalf = direction == 1 ? kRowsPerPage : 0, oldHalf = kRowsPerPage - newHalf;
  writeHalf(oldHalf, static_cast<int>(previous_.size()), make(previous_));
  writeHalf(newHalf, static_cast<int>(current_.size()), make(current_));
  finishFill(column, static_cast<int>(current_.size()), direction);
}

// --- the queue

void CMissonListOperation::operate(void* record) {
  if (!record) return;
  entry_ = *static_cast<const SangRecord*>(record);
  auto* window = new CSongOperationWnd(kLayout, guiString(L"歌曲：" + entry_.song.SongName));
  openPage(kSongOperationPage, window, [this](int code) { act(code); });
}

void CMissonListOperation::act(int code) {
  if (CMissonManager* manager = CMissonManager::getSingletonPtr()) {
    switch (code) {
      case Remove:
        manager->Remove(entry_.key);
        break;
      case Clear:
        manager->ClearWaiting();
        break;
      case MoveToFront:
        if (manager->MoveToFront(entry_.key))
          if (CInfoTipManager* tips = CInfoTipManager::getSingletonPtr())
            tips->showStandardNotice(L"插播成功：" + entry_.song.SongName, L"InsertInfo", 2000);
        break;
      default:
        break;
    }
  }
  fireEnd(code);
}

// --- the songs sung

void CSangListOperation::operate(void* record) {
  if (!record) return;
  entry_ = *static_cast<const SangRecord*>(record);
  auto* window = new CSongOperationWnd(kLayout, guiString(L"歌曲：" + entry_.song.SongName));
  openPage(kSongOperationPage, window, [this](int code) { act(code); });
}

void CSangListOperation::act(int code) {
  if (CMissonManager* manager = CMissonManager::getSingletonPtr()) {
    switch (code) {
      case Order:
        orderContestSong(entry_.song, false, challenge_);
        break;
      case Remove:
        manager->RemoveSang(entry_.key);
        break;
      case Clear:
        manager->ClearSang();
        break;
      default:
        break;
    }
  }
  fireEnd(code);
}

// --- opening them

namespace {
CSongList* openLocal(IDataSource* source, IFillListObject* fill, IListOperation* operation, const char* title,
                     const PageAttach& attach) {
  auto* list = new CSongList;
  list->setDataSource(source);
  list->setFillList(fill);
  list->setOperation(operation);
  list->setTitle(title);
  attach(list);
  source->requestPage(0);
  return list;
}
}  // namespace

CSongList* openQueueList(const PageAttach& attach) {
  CMissonManager* manager = CMissonManager::getSingletonPtr();
  if (!manager) return nullptr;
  return openLocal(manager->createMissonSource(), new MissonInfoFillList, new CMissonListOperation,
                   "set:SongListTille image:SING", attach);
}

CSongList* openSangList(const PageAttach& attach) {
  CMissonManager* manager = CMissonManager::getSingletonPtr();
  if (!manager) return nullptr;
  return openLocal(manager->createSangSource(), new SangInfoFillList, new CSangListOperation,
                   "set:SongListTille image:SANG", attach);
}
