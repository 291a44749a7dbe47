#pragma once
// Turns a page of records into the cells of a list window's two-column grid: each record one
// multi-text item with the record as its user data, the page in one half of the grid and the
// page before it in the other, so the grid can slide from the old page to the new one; the
// selection is put back where the remote control's user expects it. GUI thread.
#include <CEGUI/EventArgs.h>

#include <functional>
#include <vector>

#include "NetWork/NetRecords.h"

namespace CEGUI {
class ListboxItem;
class MultiColumnListEx;
}  // namespace CEGUI

// A list widget as the catalogue's grids use it: one cell selected at a time, nothing the user
// could resize, drag or sort, no scroll bars (the pages are turned instead).
void setUpGrid(CEGUI::MultiColumnListEx& list);

// Where the selection goes after a page is written: `column` and `row` of the grid, or none.
struct GridCell {
  int column = -1;
  int row = -1;
  bool operator==(const GridCell& o) const { return column == o.column && row == o.row; }
};
// The cell to select after a fill: `selectedColumn` the column selected before (-1 none),
// `records` on the new page, `direction` 1 forwards (the page lies in rows 6..11), 0 backwards
// or a refill (rows 0..5). The cell may be empty; selecting an empty cell selects nothing.
GridCell selectionAfterFill(int selectedColumn, int records, int direction);

class IFillListObject {
 public:
  static constexpr int kRowsPerPage = 6;
  static constexpr int kColumns = 2;

  virtual ~IFillListObject() = default;
  // Writes the page of `args` (the source's "EventGotData" argument) in `direction`.
  virtual void fillPage(const CEGUI::EventArgs& args, int direction) = 0;
  // Fills the grid with empty cells before any page came; false when the list needs none.
  virtual bool createEmptyRows() = 0;
  // The list to fill: two columns of half the width, pages of 6 rows.
  virtual void setList(CEGUI::MultiColumnListEx* list);

 protected:
  // Writes `count` cells of `make(i)` into the half of the grid starting at `firstRow`.
  void writeHalf(int firstRow, int count, const std::function<CEGUI::ListboxItem*(int)>& make);
  // Selects as selectionAfterFill says and gives empty cells the normal look.
  void finishFill(int selectedColumn, int records, int direction);
  int selectedColumn() const;
  // The common look of a cell: the row images, the selected colour, the row height.
  void dress(CEGUI::ListboxItem& item) const;
  float rowHeight() const;

  CEGUI::MultiColumnListEx* list_ = nullptr;
  int direction_ = 0;
};

// Song records: from DataListEventArgs (songs), EventArgsSongData (the song book) and
// CompetitionDataListEventArgs (the contest songs).
class SongInfoFillList : public IFillListObject {
 public:
  void fillPage(const CEGUI::EventArgs& args, int direction) override;
  bool createEmptyRows() override { return true; }
  const std::vector<SongRecord>& currentPage() const { return current_; }

 private:
  std::vector<SongRecord> current_;
  std::vector<SongRecord> previous_;
};

// Singer records from DataListEventArgs (singers).
class SingerInfoFillList : public IFillListObject {
 public:
  void fillPage(const CEGUI::EventArgs& args, int direction) override;
  bool createEmptyRows() override;
  const std::vector<SingerRecord>& currentPage() const { return current_; }

 private:
  std::vector<SingerRecord> current_;
  std::vector<SingerRecord> previous_;
};
