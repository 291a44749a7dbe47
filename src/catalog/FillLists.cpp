#include "catalog/FillLists.h"

#include <CEGUI/CEGUI.h>

#include "NetWork/NetEventArgs.h"
#include "catalog/DataSourceCompetitionSong.h"
#include "widgets/ListItems.h"
#include "widgets/MultiColumnListEx.h"

namespace {
const CEGUI::String kNormalImage = "PK0/SongListItemBK_Normal";
const CEGUI::String kSelectedImage = "PK0/SongListItemBK_Hover";
const CEGUI::Colour kSelectedText(1.0f, 0.87f, 0.0f, 1.0f);

const CEGUI::Image* image(const CEGUI::String& name) {
  auto& images = CEGUI::ImageManager::getSingleton();
  return images.isDefined(name) ? &images.get(name) : nullptr;
}

CEGUI::String text(const std::wstring& s) {
  CEGUI::String out;
  for (wchar_t c : s) out.append(1, static_cast<CEGUI::utf32>(c));
  return out;
}

CEGUI::ListColumnText part(const std::wstring& s, float x, float width, CEGUI::argb_t colour) {
  CEGUI::ListColumnText t(text(s), width, x);
  t.normalColours = CEGUI::ColourRect(CEGUI::Colour(colour));
  t.selectedColours = CEGUI::ColourRect(kSelectedText);
  return t;
}
}  // namespace

void setUpGrid(CEGUI::MultiColumnListEx& list) {
  list.setSelectionMode(CEGUI::MultiColumnList::CellSingle);
  list.setUserColumnSizingEnabled(false);
  list.setUserColumnDraggingEnabled(false);
  list.setUserSortControlEnabled(false);
  list.setShowVertScrollbar(false);
  list.setShowHorzScrollbar(false);
}

GridCell selectionAfterFill(int selectedColumn, int records, int direction) {
  constexpr int half = IFillListObject::kRowsPerPage;
  if (selectedColumn < 0) return {0, direction == 1 ? half : 0};
  if (direction == 1) return selectedColumn < records ? GridCell{selectedColumn, half} : GridCell{0, half};
  const int rows = (records + 1) / 2;
  for (int r = rows - 1; r >= 0; --r)
    if (selectedColumn + 2 * r < records) return {selectedColumn, r};
  return {0, 0};
}

void IFillListObject::setList(CEGUI::MultiColumnListEx* list) {
  list_ = list;
  if (!list_) return;
  list_->resetList();
  while (list_->getColumnCount() > 0) list_->removeColumn(0);
  for (unsigned c = 0; c < kColumns; ++c) list_->addColumn("", c, CEGUI::UDim(1.0f / kColumns, 0));
  list_->fillPages(kRowsPerPage);
}

float IFillListObject::rowHeight() const {
  return list_ ? list_->getListRenderArea().getHeight() / kRowsPerPage : 30.0f;
}

int IFillListObject::selectedColumn() const {
  if (!list_) return -1;
  CEGUI::ListboxItem* selected = list_->getFirstSelectedItem();
  return selected ? static_cast<int>(list_->getItemColumnIndex(selected)) : -1;
}

void IFillListObject::dress(CEGUI::ListboxItem& item) const {
  if (auto* ex = dynamic_cast<CEGUI::ListboxItemEx*>(&item)) ex->setNormalBrushImage(image(kNormalImage));
  item.setSelectionBrushImage(image(kSelectedImage));
  if (auto* row = dynamic_cast<CEGUI::CListItemEx*>(&item)) row->setHeight(rowHeight());
}

void IFillListObject::writeHalf(int firstRow, int count, const std::function<CEGUI::ListboxItem*(int)>& make) {
  for (int r = 0; r < kRowsPerPage; ++r)
    for (int c = 0; c < kColumns; ++c) {
      const int index = r * kColumns + c;
      const unsigned row = static_cast<unsigned>(firstRow + r), column = static_cast<unsigned>(c);
      if (index < count) {
        CEGUI::ListboxItem* item = make(index);
        dress(*item);
        list_->setItem(item, CEGUI::MCLGridRef(row, column));
      } else {
        list_->setEmptyItem(column, row, image(kNormalImage));
      }
    }
}

void IFillListObject::finishFill(int selectedColumn, int records, int direction) {
  list_->clearAllSelections();
  const GridCell cell = selectionAfterFill(selectedColumn, records, direction);
  // Selecting an empty cell selects nothing.
  list_->selectCell(static_cast<unsigned>(cell.column), static_cast<unsigned>(cell.row));
}

namespace {
// The song records of any of the three song pages.
const std::vector<SongRecord>* songRecords(const CEGUI::EventArgs& args) {
  if (const auto* a = dynamic_cast<const DataListEventArgs*>(&args)) return &a->songs.records;
  if (const auto* a = dynamic_cast<const EventArgsSongData*>(&args)) return &a->songs.records;
  if (const auto* a = dynamic_cast<const CompetitionDataListEventArgs*>(&args)) return &a->songs.records;
  return nullptr;
}
}  // namespace

void SongInfoFillList::fillPage(const CEGUI::EventArgs& args, int direction) {
  const std::vector<SongRecord>* records = songRecords(args);
  if (!list_ || !records) return;
  direction_ = direction;
  const int column = selectedColumn();
  previous_ = std::move(current_);
  current_ = *records;
  auto make = [](std::vector<SongRecord>& page) {
    return [&page](int i) -> CEGUI::ListboxItem* {
      SongRecord& song = page[static_cast<std::size_t>(i)];
      auto* item = new CEGUI::CListItemEx({part(song.SongName, 0.1f, 0.64f, 0xFFFFDD00),
                                           part(song.SingerName, 0.75f, 0.22f, 0x7FFFFFFF)},
                                          0, &song);
      item->setTooltipText(text(song.SongName + L"  " + song.SingerName));
      item->setShowTip(true);
      return item;
    };
  };
  const int newHalf = direction == 1 ? kRowsPerPage : 0, oldHalf = kRowsPerPage - newHalf;
  writeHalf(oldHalf, static_cast<int>(previous_.size()), make(previous_));
  writeHalf(newHalf, static_cast<int>(current_.size()), make(current_));
  finishFill(column, static_cast<int>(current_.size()), direction);
}

bool SingerInfoFillList::createEmptyRows() {
  if (!list_) return false;
  for (unsigned r = 0; r < 2 * kRowsPerPage; ++r)
    for (unsigned c = 0; c < kColumns; ++c) list_->setEmptyItem(c, r, image(kNormalImage));
  return true;
}

void SingerInfoFillList::fillPage(const CEGUI::EventArgs& args, int direction) {
  const auto* page = dynamic_cast<const DataListEventArgs*>(&args);
  if (!list_ || !page) return;
  direction_ = direction;
  const int column = selectedColumn();
  previous_ = std::move(current_);
  current_ = page->singers.records;
  auto make = [](std::vector<SingerRecord>& records) {
    return [&records](int i) -> CEGUI::ListboxItem* {
      SingerRecord& singer = records[static_cast<std::size_t>(i)];
      return new CEGUI::CListItemEx({part(singer.SingerName, 0.1f, 0.8f, 0xFF00FFFF)}, 0, &singer);
    };
  };
  const int newHalf = direction == 1 ? kRowsPerPage : 0, oldHalf = kRowsPerPage - newHalf;
  writeHalf(oldHalf, static_cast<int>(previous_.size()), make(previous_));
  writeHalf(newHalf, static_cast<int>(current_.size()), make(current_));
  finishFill(column, static_cast<int>(current_.size()), direction);
}
