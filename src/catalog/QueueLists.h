#pragma once
// The lists over the sing queue: the songs waiting (remove one, clear them, sing one next) and
// the songs already sung (sing again, remove one, clear them). Their cells hold copies of what
// the manager's lists held when the page came, so a list never points into a list that changed
// since. GUI thread.
#include <map>
#include <string>
#include <vector>

#include "PK/CMissonManager.h"
#include "catalog/CatalogueLists.h"
#include "catalog/FillLists.h"
#include "catalog/ListOperations.h"

class CSongList;

// The label of a mission type in its cell: 0 "唱", 1 "录", 2 "评分", 3 "PK".
class QueueFillList : public IFillListObject {
 public:
  // The queue shows every type's label; the sang list only the contest's.
  explicit QueueFillList(bool sangList);
  void fillPage(const CEGUI::EventArgs& args, int direction) override;
  bool createEmptyRows() override { return false; }
  const std::vector<SangRecord>& currentPage() const { return current_; }

 private:
  std::map<int, std::wstring> labels_;
  std::vector<SangRecord> current_;
  std::vector<SangRecord> previous_;
};

class MissonInfoFillList : public QueueFillList {
 public:
  MissonInfoFillList() : QueueFillList(false) {}
};

class SangInfoFillList : public QueueFillList {
 public:
  SangInfoFillList() : QueueFillList(true) {}
};

// A song waiting: remove it (6), clear the queue (7), sing it next (8).
class CMissonListOperation : public IListOperation {
 public:
  enum Code { Remove = 6, Clear = 7, MoveToFront = 8 };
  static const CEGUI::String kLayout;  // "PK_WaitingSongOperationWnd.layout"
  void operate(void* record) override;

 private:
  void act(int code);
  SangRecord entry_;
};

// A song sung: sing it again (15), remove it from the list (13), clear the list (14).
class CSangListOperation : public IListOperation {
 public:
  enum Code { Order = 15, Remove = 13, Clear = 14 };
  static const CEGUI::String kLayout;  // "PK_SangOperationWnd.layout"
  explicit CSangListOperation(bool challenge = false) : challenge_(challenge) {}
  void operate(void* record) override;

 private:
  void act(int code);
  SangRecord entry_;
  bool challenge_;
};

// The two lists, opened on the GUI sheet and freed when they end (null without a manager).
CSongList* openQueueList(const PageAttach& attach = openOnSheet);
CSongList* openSangList(const PageAttach& attach = openOnSheet);
