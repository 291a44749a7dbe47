#pragma once
// The works page: a tab control with the local works and the published works, on the sheet
// under the main menu bar (not modal). It owns both lists.
//
// The remote control: the focus moves over rows, top to bottom: the tab strip, then the rows of
// works of the tab shown (each row's buttons left to right), then the page buttons. Up and Down
// change the row (keeping the column as near as the row allows), Left and Right move within a
// row; on the tab strip Left and Right switch tabs. OK presses the focused button (on the tab
// strip it goes down into the list). The key map's Back ends the page. A button the mouse used
// takes the focus over. GUI thread.
#include <CEGUI/String.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Upload/CLocalRecordingList.h"
#include "Upload/CNetRecordingList.h"
#include "app/IPageCtrl.h"

namespace CEGUI {
class TabControl;
}

// What the application gives the page.
struct AlbumWndContext {
  // The key map's Back; null: nothing happens. Runs after the key's handler has returned.
  std::function<void()> onBack;
  // Opens a published work's address; null: the shell's "open".
  CNetRecordingItem::UrlOpener openUrl;
  // Makes a work's mixing job; null: the Windows Media mix.
  CLocalRecordingList::MixFactory mixFactory;
  // Makes a work's playback window; null: the engine's live mix with the video player.
  CLocalRecordingItem::PlaybackFactory playbackFactory;
};

class CAlbumWnd : public IPageCtrl {
 public:
  static const CEGUI::String kLayout;  // "PK_WorksWnd.layout"
  enum Tab { LocalTab = 0, NetTab = 1 };

  explicit CAlbumWnd(AlbumWndContext context = {});
  ~CAlbumWnd() override;

  void createPage(CEGUI::Window* parent) override;
  // Creates both lists as the two tabs and gives the first row the focus.
  bool onAttached() override;
  bool closePage() override;

  CLocalRecordingList* localList() const { return local_.get(); }
  CNetRecordingList* netList() const { return net_.get(); }
  CEGUI::TabControl* tabControl() const { return tabs_; }
  int selectedTab() const;
  void selectTab(int tab);

  // The remote-control focus: the window that has it (a tab button on the tab strip).
  CEGUI::Window* focused() const;
  int focusRow() const { return focusRow_; }
  bool handleKey(unsigned scancode);

 private:
  void addTab(RecordingListBase& list, const CEGUI::String& button, const char* normal, const char* hover,
              const char* selected);
  void buildFocusRows();
  void focusAt(int row, int column);
  void focusFirstWork();
  void placeFocusRing();
  void syncFocusFrom(CEGUI::Window* w);
  bool moveAcross(int step);
  bool moveRow(int step);
  bool press();
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onPageShown(const CEGUI::EventArgs& args);
  bool onTabChanged(const CEGUI::EventArgs& args);
  bool onBackLater(const CEGUI::EventArgs& args);
  RecordingListBase* shownList() const;

  AlbumWndContext context_;
  CEGUI::TabControl* tabs_ = nullptr;
  CEGUI::Window* focusRing_ = nullptr;
  std::unique_ptr<CLocalRecordingList> local_;
  std::unique_ptr<CNetRecordingList> net_;
  // Row 0 is the tab strip; then the shown list's rows.
  std::vector<std::vector<CEGUI::Window*>> focusRows_;
  int focusRow_ = 0;
  int focusColumn_ = 0;
  std::vector<CEGUI::Event::Connection> connections_;
  CEGUI::Event::Connection backLater_;
};

// The works page created on `parent` and shown (not modal); null when its layout is missing.
CAlbumWnd* createWorksWindow(CEGUI::Window* parent, AlbumWndContext context = {});
