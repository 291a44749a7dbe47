#pragma once
// The contest hub: the contest songs of the period as a carousel of seven covers (a page slide
// when it turns), the published works of the selected song as eighteen head pictures, the
// user's rank for that song under the chosen ordering, and the period with its dates. A click
// on a cover selects its song, a double click (or OK) orders it; a head opens its work's page;
// two buttons open the rules and a "more" page. Everything shown comes from the service's
// replies, delivered as global events; the window asks for what it shows and never waits.
// It is not modal: it lives on the sheet under the main menu bar. GUI thread.
#include <CEGUI/Event.h>
#include <CEGUI/String.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "NetWork/NetRecords.h"
#include "app/IPageCtrl.h"
#include "catalog/PKHubData.h"

namespace CEGUI {
class Combobox;
class EventArgs;
class Window;
}  // namespace CEGUI
class PKCompetitionSongsEffect;
class ShowPictureInterface;

// What the application gives the hub.
struct PKHubContext {
  std::wstring userId;   // the user number is its decimal value
  std::wstring ruleUrl;  // the rules page (strPKRuleURL)
  // The service's answers come back as global events; null: the network facade.
  std::shared_ptr<IPKHubRequests> requests;
  // Receives the contest-song list (song identifiers) each time the square's songs arrive.
  std::function<void(const std::vector<std::wstring>&)> onContestSongs;
  // Hides the practice menu before a song is ordered.
  std::function<void()> hidePracticeMenu;
  // Up from the top of the hub; null: the main menu bar ("MainMenu/Menubar") takes the focus.
  std::function<void()> focusAbove;
  // Opens a web address (the shell's "open"); null: oscompat::shellOpen.
  std::function<void(const std::wstring&)> openUrl;
};

// The seven-slot carousel's arithmetic.
namespace pkcarousel {
constexpr int kSlots = 7;
// The first index after a step: Left (direction 0) goes back a page, Right (1) forward; with
// kSlots or fewer songs it stays.
int step(int first, int count, int direction);
// The song index slot `slot` shows from first index `first`, or -1 when the slot is empty
// (kSlots or fewer songs: slot i holds song i).
int songAt(int first, int slot, int count);
}  // namespace pkcarousel

class CPKMainWnd : public IPageCtrl {
 public:
  static const CEGUI::String kLayout;  // "PK_PKMainWnd.layout"
  static constexpr int kHeads = 18;
  static constexpr int kSongCount = pkcarousel::kSlots;
  // Ordering numbers of the combo box's items.
  enum Ordering { ByScore = 1, ByPopularity = 2, ByNewest = 3, ByFlowers = 4 };

  explicit CPKMainWnd(PKHubContext context = {});
  ~CPKMainWnd() override;

  void createPage(CEGUI::Window* parent) override;
  // Shows what the application holds of the square and gives the first song the focus.
  bool onAttached() override;
  bool closePage() override;

  // The state shown (tests, the log).
  int firstIndex() const { return first_; }
  int currentSongNumber() const { return currentSong_; }
  int ordering() const { return ordering_; }
  int songCount() const { return static_cast<int>(songs_.size()); }
  const std::wstring& moreUrl() const { return moreUrl_; }
  // The song index slot `slot` (0..6) shows, or -1.
  int slotSong(int slot) const;
  CEGUI::Window* slot(int i) const { return slots_.at(static_cast<std::size_t>(i)); }
  CEGUI::Window* head(int i) const { return heads_.at(static_cast<std::size_t>(i)); }
  CEGUI::Window* rankText() const { return rankTxt_; }
  CEGUI::Window* periodText() const { return periodTxt_; }
  CEGUI::Combobox* orderBox() const { return orderCom_; }
  PKCompetitionSongsEffect& effect() { return *effect_; }
  // The window with the remote's focus.
  CEGUI::Window* focused() const;

  // The carousel's buttons (Left: direction 0, Right: 1).
  void carouselStep(int direction);
  // Selects the song of slot `i` (a click on it).
  void selectSlot(int i);
  // Orders the song of slot `i` (a double click on it, or OK).
  void orderSlot(int i);
  // Gives the remote's focus to the selected song (or the nearest window that can take it).
  void takeFocus();
  // Chooses ordering 1..4 as the combo box's accepted selection does.
  void chooseOrdering(int ordering);

 private:
  // Wiring (CPKMainWnd.cpp).
  void lookUpWindows();
  void addOrderItems();
  void applyPictureSets();
  void subscribeWindows();
  void subscribeReplies();
  void disconnectReplies();
  bool onWindowsDestroyed(const CEGUI::EventArgs& args);
  void showStored();
  // The stage is the singer's while a song is sung: the hub steps aside and comes back after.
  bool onSongStarting(const CEGUI::EventArgs& args);
  bool onQueueChanged(const CEGUI::EventArgs& args);
  bool onShown(const CEGUI::EventArgs& args);
  void openUrl(const std::wstring& url);

  // Replies (CPKMainWndReplies.cpp).
  bool onPKSong(const CEGUI::EventArgs& args);
  bool onPKSongPictures(const CEGUI::EventArgs& args);
  bool onProductsRequest(const CEGUI::EventArgs& args);
  bool onProducts(const CEGUI::EventArgs& args);
  bool onProductPicture(const CEGUI::EventArgs& args);
  bool onMyRank(const CEGUI::EventArgs& args);
  bool onPeriod(const CEGUI::EventArgs& args);
  void takeSongs(const std::vector<SongRecord>& songs);
  void takePictures();
  void takeProducts(const std::vector<PKProductRecord>& products);
  void redrawSlots();
  // The cover of the selected song keeps a gold caption, wherever the focus is.
  void markSelected();
  void resetHeads();
  void requestForCurrentSong();
  CEGUI::String coverImage(int songIndex, const CEGUI::String& name);
  CEGUI::String defaultCover();
  CEGUI::String defaultHead();
  // Windows of this hub that show `image` show nothing until it is made again.
  void releaseImage(const CEGUI::String& image);

  // The remote's keys (CPKMainWndKeys.cpp).
  bool onKeyDown(const CEGUI::EventArgs& args);
  bool onAnyKeyDown(const CEGUI::EventArgs& args);
  void buildFocusRows();
  void focusAt(int row, int column);
  bool moveAcross(int step);
  bool moveRow(int step);
  bool press();
  bool focusable(CEGUI::Window* w) const;
  void syncFocusFrom(CEGUI::Window* w);
  void placeFocusRing();

  PKHubContext context_;
  std::shared_ptr<IPKHubRequests> requests_;
  std::unique_ptr<PKCompetitionSongsEffect> effect_;
  std::vector<std::unique_ptr<ShowPictureInterface>> pictureSets_;

  CEGUI::Window* songRule_ = nullptr;
  CEGUI::Window* container_ = nullptr;
  CEGUI::Window* left_ = nullptr;
  CEGUI::Window* right_ = nullptr;
  CEGUI::Window* effectFrame_ = nullptr;
  std::array<CEGUI::Window*, kSongCount> slots_{};
  std::array<CEGUI::Window*, kHeads> heads_{};
  CEGUI::Window* periodTxt_ = nullptr;
  CEGUI::Window* rankTxt_ = nullptr;
  CEGUI::Combobox* orderCom_ = nullptr;
  CEGUI::Window* headMore_ = nullptr;
  CEGUI::Window* focusRing_ = nullptr;

  std::map<int, SongRecord> songs_;
  std::map<int, PKProductRecord> products_;
  int first_ = 0;
  int currentSong_ = 0;
  int currentSlot_ = -1;
  int rank_ = 0;
  int ordering_ = ByScore;
  std::wstring moreUrl_;
  CEGUI::String periodBase_;

  std::vector<std::vector<CEGUI::Window*>> focusRows_;
  int focusRow_ = -1;
  int focusColumn_ = 0;

  std::vector<CEGUI::Event::Connection> replies_;
  // The mission being sung while the hub stands aside (0: none).
  unsigned long long singing_ = 0;
};

// Creates the contest hub on `parent` (not modal) and shows what the application already holds
// of the square; the caller owns the page and ends it with closePage and IPageCtrl::freeLater.
CPKMainWnd* createContestHub(CEGUI::Window* parent, PKHubContext context);
// The same for the application: the user, the rules page, the network facade and the main menu
// bar above.
CPKMainWnd* createContestHub(CEGUI::Window* parent, const std::wstring& userId, const std::wstring& ruleUrl);
