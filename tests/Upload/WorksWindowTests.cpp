// The works page headless on the virtual clock: paging of both lists, what a row shows for
// each upload state, the mix that comes before a first upload, deletion, and the remote-control
// focus.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "AppSet/KeyMap.h"
#include "NetWork/NetEventArgs.h"
#include "NetWork/NetEventNames.h"
#include "TestSupport.h"
#include "Upload/CAlbumManager.h"
#include "Upload/CAlbumWnd.h"
#include "Upload/CMixProssCtrl.h"
#include "Upload/UploadItem.h"
#include "Upload/WorksPaging.h"
#include "app/TextConvert.h"
#include "app/WindowPath.h"
#include "guishell/Win32AppHelper.h"
#include "vokanetlink/VokaNetLink.h"

namespace vktest {
namespace {

constexpr unsigned kEscape = 1, kReturn = 28, kUp = 200, kDown = 208, kLeft = 203, kRight = 205;

class FakeNetwork : public IWorksNetwork {
 public:
  explicit FakeNetwork(std::vector<std::string>& log) : log_(log) {}
  int RequestUpload(const IUploadProductInfo* p) override {
    log_.push_back("request " + std::string(p->GetSongId(), p->GetSongId() + wcslen(p->GetSongId())));
    return 0;
  }
  int ResumeUpload(int id) override { return note("resume " + std::to_string(id)); }
  int SuspendUpload() override { return note("suspend"); }
  int UploadFile(const std::wstring&, const std::wstring&, const std::wstring&) override { return note("file"); }
  int RequestWorksList(int user) override { return note("works " + std::to_string(user)); }
  int DeleteWork(int id) override { return note("delete " + std::to_string(id)); }

 private:
  int note(const std::string& s) {
    log_.push_back(s);
    return 0;
  }
  std::vector<std::string>& log_;
};

// A mix that is complete as soon as it runs, and says for which work it was made.
class QuickMix : public IMix {
 public:
  bool run() override {
    progress = 1.0f;
    Win32AppHelper::postEvent(this, EventItemUpdate, new MixItemEventArgs(this), "");
    return true;
  }
  float getProgress() override { return progress; }
  void cancel() override {}
  std::atomic<float> progress{0};
};

class Works : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    keyMap_ = std::make_unique<CKeyMap>();
    album_ = std::make_unique<CAlbumManager>(std::make_unique<FakeNetwork>(calls_));
    const std::wstring root(install_.path().begin(), install_.path().end());
    album_->setWorksFilePath(root + L"/PKData/10001.xml");
    album_->setUser(L"10001");
  }
  void TearDown() override {
    closePage();
    album_.reset();
    GuiTest::TearDown();
  }
  void closePage() {
    if (!page_) return;
    page_->closePage();
    delete page_;
    page_ = nullptr;
  }
  static std::wstring key(int i) { return L"20261210120000_" + std::to_wstring(100 + i); }
  UploadItem work(int i, int mixed = 1, int type = 0) {
    UploadItem w;
    w.Key = key(i);
    w.Song = L"歌曲" + std::to_wstring(i);
    w.SongID = std::to_wstring(100 + i);
    w.RecordTime = L"2026/12/10 12:00";
    w.Type = type;
    w.Mixed = mixed;
    const std::wstring temp = std::wstring(install_.path().begin(), install_.path().end()) + L"/Temp/";
    w.UploadFile = temp + w.Key + L".WMV";
    w.VoicePcmFile = temp + w.Key + L"Voice.pcm";
    w.MusicPcmFile = temp + w.Key + L"music.pcm";
    for (const std::wstring* f : {&w.VoicePcmFile, &w.MusicPcmFile}) writeFile(std::string(f->begin(), f->end()), "pcm");
    return w;
  }
  void addWorks(int n, int mixed = 1) {
    for (int i = 0; i < n; ++i) album_->addRecording(work(i, mixed));
  }
  void publish(std::vector<NetRecording> works) {
    NetRecordingListArgs args;
    args.works = std::move(works);
    album_->fireEvent(NetEventNames::GetNetRecordingSuccess, args, "");
  }
  static NetRecording published(int id, int type = 0) {
    NetRecording w;
    w.Key = std::to_wstring(id);
    w.Song = L"已发布" + std::to_wstring(id);
    w.RecordTime = L"2026/12/01 20:00";
    w.Type = type;
    w.WebUrl = L"http://works.example/" + std::to_wstring(id);
    return w;
  }
  void open() {
    AlbumWndContext context;
    context.onBack = [this] { ++backs_; };
    context.openUrl = [this](const std::wstring& url) { opened_.push_back(url); };
    context.mixFactory = [this](const UploadItem& w) -> std::unique_ptr<IMix> {
      mixed_.push_back(w.Key);
      return std::make_unique<QuickMix>();
    };
    page_ = createWorksWindow(sheet(), std::move(context));
    ASSERT_NE(page_, nullptr);
  }
  CLocalRecordingItem& row(int i) { return *page_->localList()->items()[static_cast<std::size_t>(i)]; }
  CNetRecordingItem& netRow(int i) { return *page_->netList()->items()[static_cast<std::size_t>(i)]; }
  static void click(CEGUI::Window* w) {
    CEGUI::WindowEventArgs args(w);
    w->fireEvent(CEGUI::PushButton::EventClicked, args, CEGUI::PushButton::EventNamespace);
  }
  // Lets the mix's worker post its update and the GUI take it.
  void settleMix() {
    for (int i = 0; i < 200; ++i) {
      auto* dialog = dynamic_cast<CMixProssCtrl*>(page_->localList()->dialog("Mix"));
      if (!dialog || dialog->done()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      advance(10);
    }
  }

  std::vector<std::string> calls_;
  std::unique_ptr<CKeyMap> keyMap_;
  std::unique_ptr<CAlbumManager> album_;
  CAlbumWnd* page_ = nullptr;
  int backs_ = 0;
  std::vector<std::wstring> opened_;
  std::vector<std::wstring> mixed_;
};

// Catches: an off-by-one in the page count, page buttons shown for a single page, or a last
// page that shows works of the page before.
struct PagingCase {
  int works;
  int pages;
  int lastPageRows;
};

class WorksPaging : public Works, public ::testing::WithParamInterface<PagingCase> {};

TEST_P(WorksPaging, PagesOfSixWithButtonsOnlyForMoreThanOnePage) {
  const PagingCase c = GetParam();
  addWorks(c.works);
  open();
  CLocalRecordingList& list = *page_->localList();
  EXPECT_EQ(list.pageCount(), c.pages);
  EXPECT_EQ(list.currentPage(), c.pages > 0 ? 1 : 0);
  EXPECT_EQ(list.previousButton()->isVisible(), c.pages > 1);
  EXPECT_EQ(list.nextButton()->isVisible(), c.pages > 1);
  list.showPage(c.pages);
  int shown = 0;
  for (const auto& item : list.items()) shown += item->work() ? 1 : 0;
  EXPECT_EQ(shown, c.lastPageRows);
  EXPECT_EQ(list.pageText()->getText(), workspaging::text(c.pages, c.pages));
}

INSTANTIATE_TEST_SUITE_P(Counts, WorksPaging,
                         ::testing::Values(PagingCase{0, 0, 0}, PagingCase{1, 1, 1}, PagingCase{6, 1, 6},
                                           PagingCase{7, 2, 1}, PagingCase{12, 2, 6}, PagingCase{13, 3, 1}),
                         [](const ::testing::TestParamInfo<PagingCase>& info) {
                           return std::to_string(info.param.works) + "Works";
                         });

// Catches: page buttons that stop at the ends instead of wrapping, or a page text that lags.
TEST_F(Works, SevenWorksTurnOverTwoPagesThatWrapRound) {
  addWorks(7);
  open();
  CLocalRecordingList& list = *page_->localList();
  EXPECT_EQ(list.pageText()->getText(), "1/2");
  click(list.nextButton());
  EXPECT_EQ(list.pageText()->getText(), "2/2");
  ASSERT_NE(row(0).work(), nullptr);
  EXPECT_EQ(row(0).work()->Key, key(6));
  EXPECT_EQ(row(1).work(), nullptr);
  EXPECT_FALSE(row(1).child("Share")->isVisible());
  click(list.nextButton());  // past the last page: the first
  EXPECT_EQ(list.currentPage(), 1);
  EXPECT_EQ(list.pageText()->getText(), "1/2");
  click(list.previousButton());  // before the first: the last
  EXPECT_EQ(list.currentPage(), 2);
  // Every other row lies on a band.
  EXPECT_EQ(row(1).rootWindow()->getProperty("Image"), "PK/UploadListItem_Normal");
  EXPECT_EQ(row(2).rootWindow()->getProperty("Image"), "");
  // The last work of page 2 goes: the list falls back to page 1 and hides its page buttons.
  album_->deleteRecording(work(6));
  EXPECT_EQ(list.currentPage(), 1);
  EXPECT_FALSE(list.nextButton()->isVisible());
}

// Catches: tab buttons without their pictures (the look ignoring the tab's properties).
TEST_F(Works, TheTwoTabsCarryTheirPictures) {
  open();
  CEGUI::Window* local = findWindow("WorksWnd/TabControl/__auto_TabPane__Buttons/__auto_btnLocalRecording");
  CEGUI::Window* net = findWindow("WorksWnd/TabControl/__auto_TabPane__Buttons/__auto_btnNetRecording");
  ASSERT_NE(local, nullptr);
  ASSERT_NE(net, nullptr);
  EXPECT_EQ(local->getProperty("TabBtnSelectedImage"), "PK/WaitUpLoad_Hover");
  EXPECT_EQ(net->getProperty("TabBtnNormalImage"), "PK/HasUpLoad_Normal");
  EXPECT_EQ(page_->selectedTab(), CAlbumWnd::LocalTab);
  closePage();
  EXPECT_EQ(findWindow("WorksWnd"), nullptr);
}

// Catches: rows that lose the upload's state, a state-3 row whose button is reset, or a
// progress text that is not whole percent.
TEST_F(Works, ARowShowsTheUploadStateOfItsWork) {
  album_->addRecording(work(0, 1, 1));
  album_->addRecording(work(1));
  open();
  EXPECT_TRUE(row(0).child("PKFlg")->isVisible());  // a contest work
  EXPECT_FALSE(row(1).child("PKFlg")->isVisible());
  EXPECT_TRUE(row(0).child("Play")->isVisible());
  EXPECT_EQ(row(0).child("Share")->getProperty("NormalImage"), "PK0/UpLoadEllipse_Normal");

  click(row(0).child("Share"));  // mixed: the upload starts
  EXPECT_EQ(calls_.back(), "request 100");
  EXPECT_TRUE(row(0).showingUpload());
  EXPECT_EQ(row(0).child("Share")->getProperty("HoverImage"), "PK0/PauseEllipse_Hover");

  BlockUploadBackEventArgs accepted;
  accepted.uploadId = 9;
  accepted.packetTotal = 8;
  album_->fireEvent(NetEventNames::UploadReqSuccess, accepted, "");
  album_->setWorksWindowOpen(true);
  BlockUploadBackEventArgs sent;
  sent.uploadId = 9;
  sent.packetsSent = 3;
  album_->fireEvent(NetEventNames::BeginUploadUpdate, sent, "");
  auto* bar = static_cast<CEGUI::ProgressBar*>(row(0).child("Progress"));
  EXPECT_FLOAT_EQ(bar->getProgress(), 3.0f / 8.0f);
  EXPECT_EQ(bar->getText(), "37%");

  // The file is on the server (state 3): a redraw leaves the button as it was.
  album_->findByKey(key(0))->UploadState = 3;
  page_->localList()->refresh();
  EXPECT_EQ(row(0).child("Share")->getProperty("NormalImage"), "PK0/PauseEllipse_Normal");

  // Share again pauses; the button turns back.
  album_->findByKey(key(0))->UploadState = 1;
  page_->localList()->refresh();
  click(row(0).child("Share"));
  EXPECT_EQ(calls_.back(), "suspend");
  EXPECT_FALSE(row(0).showingUpload());
  EXPECT_EQ(row(0).child("Share")->getProperty("NormalImage"), "PK0/UpLoadEllipse_Normal");
}

// Catches: a work whose recordings were removed by hand offered for mixing or playing, and a
// row that keeps that state when it shows another work.
TEST_F(Works, AWorkWithoutItsRecordingsSaysSoAndCanStillBeDeleted) {
  addWorks(2, 0);
  std::filesystem::remove(std::string(album_->findByKey(key(0))->VoicePcmFile.begin(),
                                      album_->findByKey(key(0))->VoicePcmFile.end()));
  open();
  EXPECT_TRUE(row(0).child("Share")->isDisabled());
  EXPECT_TRUE(row(0).child("Play")->isDisabled());
  EXPECT_FALSE(row(0).child("Progress")->isVisible());
  EXPECT_EQ(row(0).child("RecordTime")->getText(), guiString(L"2026/12/10 12:00　录音已不存在"));
  EXPECT_FALSE(row(1).child("Share")->isDisabled());
  EXPECT_TRUE(row(1).child("Progress")->isVisible());
  const CEGUI::URect narrow = row(1).child("RecordTime")->getArea();
  click(row(0).child("Delete"));
  pressKey(kReturn);  // yes
  EXPECT_EQ(album_->findByKey(key(0)), nullptr);
  // The row now shows the other work, whole.
  EXPECT_EQ(row(0).work()->Key, key(1));
  EXPECT_FALSE(row(0).child("Share")->isDisabled());
  EXPECT_TRUE(row(0).child("Progress")->isVisible());
  EXPECT_EQ(row(0).child("RecordTime")->getText(), "2026/12/10 12:00");
  EXPECT_EQ(row(0).child("RecordTime")->getArea(), narrow);
}

// Catches: a deleted row left on screen, or an upload that goes on for a work that is gone.
TEST_F(Works, DeletingTheUploadingWorkStopsItAndRemovesTheRow) {
  addWorks(2);
  open();
  click(row(1).child("Share"));
  ASSERT_TRUE(album_->uploading());
  // The confirmation comes first: no keeps the work and its upload.
  click(row(1).child("Delete"));
  CEGUI::Window* question = findWindow("RemoveTipWnd");
  ASSERT_NE(question, nullptr);
  EXPECT_NE(question->getChild("Message")->getText().find(guiString(L"歌曲1")), CEGUI::String::npos);
  pressKey(kRight);
  pressKey(kReturn);  // no
  EXPECT_TRUE(album_->uploading());
  EXPECT_NE(album_->findByKey(key(1)), nullptr);
  click(row(1).child("Delete"));
  pressKey(kReturn);  // yes
  EXPECT_EQ(calls_.back(), "suspend");
  EXPECT_FALSE(album_->uploading());
  EXPECT_EQ(album_->findByKey(key(1)), nullptr);
  EXPECT_EQ(row(1).work(), nullptr);
  EXPECT_FALSE(row(1).child("Delete")->isVisible());
  EXPECT_EQ(row(0).work()->Key, key(0));
  EXPECT_EQ(page_->localList()->pageText()->getText(), "1/1");
}

// Catches: a mix of the wrong work (rows share one remembered work), a dialog or job that is
// never freed, or an upload that does not follow the mix.
TEST_F(Works, ShareOnAnUnmixedWorkMixesThatWorkAndThenUploadsIt) {
  addWorks(3, 0);
  open();
  click(row(1).child("Share"));
  ASSERT_EQ(mixed_, (std::vector<std::wstring>{key(1)}));
  ASSERT_NE(page_->localList()->dialog("Mix"), nullptr);
  EXPECT_TRUE(calls_.empty());  // nothing uploads before the mix
  settleMix();
  auto* dialog = dynamic_cast<CMixProssCtrl*>(page_->localList()->dialog("Mix"));
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(dialog->done());
  pressKey(kReturn);  // the dialog's OK
  EXPECT_EQ(page_->localList()->dialog("Mix"), nullptr);
  EXPECT_EQ(album_->findByKey(key(1))->Mixed, 1);
  EXPECT_EQ(album_->findByKey(key(0))->Mixed, 0);
  EXPECT_EQ(album_->findByKey(key(2))->Mixed, 0);
  EXPECT_EQ(calls_, (std::vector<std::string>{"request 101"}));
  EXPECT_TRUE(row(1).showingUpload());
  EXPECT_EQ(row(1).child("Share")->getProperty("NormalImage"), "PK0/PauseEllipse_Normal");
  advance(10);  // the dialog and the job are freed
  EXPECT_EQ(findWindow("MixProssWnd"), nullptr);
  // The works file says so after a restart.
  EXPECT_NE(readFile(install_.path() + "/PKData/10001.xml").find("Mixed"), std::string::npos);
}

// Catches: a mix that remembers its work by place in the album: an upload that ends during the
// mix removes a work before it, and the mix must still mark and upload its own work.
TEST_F(Works, AWorkLeavingTheListDuringTheMixDoesNotMixAnother) {
  album_->addRecording(work(0));  // mixed, about to finish its upload
  album_->addRecording(work(1, 0));
  album_->addRecording(work(2, 0));
  open();
  click(row(0).child("Share"));
  ASSERT_TRUE(album_->uploading());
  click(row(2).child("Share"));
  ASSERT_EQ(mixed_, (std::vector<std::wstring>{key(2)}));
  CEGUI::EventArgs none;
  album_->fireEvent(NetEventNames::UploadSuccess, none, "");  // work 0 is published and goes
  ASSERT_EQ(album_->findByKey(key(0)), nullptr);
  settleMix();
  pressKey(kReturn);
  EXPECT_EQ(album_->findByKey(key(1))->Mixed, 0);
  EXPECT_EQ(album_->findByKey(key(2))->Mixed, 1);
  EXPECT_EQ(calls_.back(), "request 102");
  EXPECT_TRUE(row(1).showingUpload());  // work 2 is now the second row
  EXPECT_EQ(row(1).work()->Key, key(2));
}

// Catches: a cancelled mix that marks the work mixed or uploads it.
TEST_F(Works, ACancelledMixLeavesTheWorkUnmixed) {
  addWorks(1, 0);
  AlbumWndContext context;
  struct Endless : IMix {
    bool run() override {
      while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return false;
    }
    float getProgress() override { return 0.1f; }
    void cancel() override { stop = true; }
    std::atomic<bool> stop{false};
  };
  context.mixFactory = [](const UploadItem&) -> std::unique_ptr<IMix> { return std::make_unique<Endless>(); };
  page_ = createWorksWindow(sheet(), std::move(context));
  click(row(0).child("Share"));
  ASSERT_NE(page_->localList()->dialog("Mix"), nullptr);
  pressKey(kReturn);  // cancel
  advance(10);
  EXPECT_EQ(page_->localList()->dialog("Mix"), nullptr);
  EXPECT_EQ(album_->findByKey(key(0))->Mixed, 0);
  EXPECT_TRUE(calls_.empty());
}

// Catches: a contest work that can be deleted, a Delete that stays disabled after a failed
// reply, or a published row that survives its deletion.
TEST_F(Works, PublishedWorksOpenTheirPageAndDeleteUntilTheReply) {
  open();
  publish({published(501, 1), published(502)});
  CNetRecordingList& list = *page_->netList();
  EXPECT_EQ(list.pageText()->getText(), "1/1");
  EXPECT_TRUE(netRow(0).child("PKFlg")->isVisible());
  EXPECT_TRUE(netRow(0).child("Delete")->isDisabled());
  EXPECT_FALSE(netRow(1).child("Delete")->isDisabled());
  click(netRow(0).child("Play"));
  EXPECT_EQ(opened_, (std::vector<std::wstring>{L"http://works.example/501"}));
  click(netRow(0).child("Delete"));  // refused for a contest work
  EXPECT_TRUE(calls_.empty());

  click(netRow(1).child("Delete"));
  EXPECT_TRUE(calls_.empty());  // not before the singer says yes
  pressKey(kReturn);
  EXPECT_EQ(calls_.back(), "delete 502");
  EXPECT_TRUE(netRow(1).child("Delete")->isDisabled());
  StringEventArgs failed(L"502");
  album_->fireEvent(NetEventNames::DelNetRecordingFail, failed, "");
  EXPECT_FALSE(netRow(1).child("Delete")->isDisabled());

  click(netRow(1).child("Delete"));
  pressKey(kReturn);
  StringEventArgs done(L"502");
  album_->fireEvent(NetEventNames::DelNetRecordingSuccess, done, "");
  EXPECT_FALSE(netRow(1).showing());
  EXPECT_TRUE(netRow(0).showing());
  // A row no longer showing a work leaves no keyed event behind on the album.
  EXPECT_FALSE(album_->isEventPresent("DelNetRecordingFail502"));
}

// Catches: screens a remote control cannot walk: the focus skipping rows, leaving the page, or
// landing on disabled or hidden buttons; a Back that does nothing.
TEST_F(Works, TheArrowKeysWalkRowsButtonsPagesAndTabs) {
  addWorks(7);
  open();
  CLocalRecordingList& list = *page_->localList();
  // The first work's Share: the singer came to share.
  EXPECT_EQ(page_->focused(), row(0).child("Share"));
  EXPECT_TRUE(row(0).child("Share")->isActive());
  pressKey(kRight);
  EXPECT_EQ(page_->focused(), row(0).child("Delete"));
  pressKey(kRight);  // the row's end
  EXPECT_EQ(page_->focused(), row(0).child("Delete"));
  pressKey(kLeft);
  pressKey(kLeft);
  EXPECT_EQ(page_->focused(), row(0).child("Play"));
  pressKey(kRight);
  pressKey(kRight);
  pressKey(kDown);
  EXPECT_EQ(page_->focused(), row(1).child("Delete"));
  for (int i = 0; i < 6; ++i) pressKey(kDown);  // past the rows: the page buttons
  EXPECT_EQ(page_->focused(), list.nextButton());
  pressKey(kReturn);
  EXPECT_EQ(list.currentPage(), 2);
  EXPECT_EQ(page_->focused(), list.nextButton());  // the focus stays on the page button
  pressKey(kLeft);
  EXPECT_EQ(page_->focused(), list.previousButton());
  pressKey(kUp);
  EXPECT_EQ(page_->focused()->getParent(), row(0).rootWindow());
  pressKey(kUp);  // the tab strip, with the ring round the tab shown
  EXPECT_EQ(page_->focusRow(), 0);
  EXPECT_TRUE(findWindow("WorksWnd/FocusRing")->isVisible());
  pressKey(kRight);
  EXPECT_EQ(page_->selectedTab(), CAlbumWnd::NetTab);
  EXPECT_EQ(page_->focusRow(), 0);
  pressKey(kDown);  // no published works: the strip stays
  EXPECT_EQ(page_->focusRow(), 0);
  pressKey(kLeft);
  EXPECT_EQ(page_->selectedTab(), CAlbumWnd::LocalTab);
  pressKey(kReturn);  // OK on the strip goes into the list
  EXPECT_EQ(page_->focused(), row(0).child("Share"));
  EXPECT_FALSE(findWindow("WorksWnd/FocusRing")->isVisible());
  pressKey(kEscape);
  EXPECT_EQ(backs_, 0);  // after the key's own handlers
  advance(10);
  EXPECT_EQ(backs_, 1);
}

// Catches: a focus left on a row that a deletion emptied.
TEST_F(Works, TheFocusStaysOnAButtonWhenItsRowGoes) {
  addWorks(2);
  open();
  pressKey(kDown);
  ASSERT_EQ(page_->focused(), row(1).child("Share"));
  pressKey(kRight);
  pressKey(kReturn);  // Delete of the second work
  pressKey(kReturn);  // yes
  EXPECT_EQ(album_->findByKey(key(1)), nullptr);
  EXPECT_EQ(page_->focused(), row(0).child("Delete"));
  EXPECT_TRUE(row(0).child("Delete")->isActive());
}


// Catches: a layout that does not load, a picture it names that no imageset holds, or a look
// of the page (tab buttons, panes, the progress bar with its text) that fails to draw.
TEST_F(Works, TheLayoutsLoadNameOnlyExistingPicturesAndDraw) {
  addWorks(1);
  album_->findByKey(key(0))->DataPacketTotal = 4;
  album_->findByKey(key(0))->SentDataPacket = 1;
  open();
  publish({published(7, 1)});
  auto& images = CEGUI::ImageManager::getSingleton();
  std::function<void(CEGUI::Window*)> walk = [&](CEGUI::Window* w) {
    for (const char* property : {"Image", "NormalImage", "HoverImage", "PushedImage", "DisabledImage",
                                 "TabBtnNormalImage", "TabBtnHoverImage", "TabBtnSelectedImage"}) {
      if (!w->isPropertyPresent(property)) continue;
      const CEGUI::String name = w->getProperty(property);
      EXPECT_TRUE(name.empty() || images.isDefined(name)) << w->getNamePath() << " " << property << " " << name;
    }
    EXPECT_NO_THROW(w->render()) << w->getNamePath();
    for (std::size_t i = 0; i < w->getChildCount(); ++i) walk(w->getChildAtIdx(i));
  };
  walk(page_->pageWindow());
  page_->selectTab(CAlbumWnd::NetTab);
  walk(page_->pageWindow());
  EXPECT_EQ(row(0).child("Progress")->getText(), "25%");
  // A picture a layout names but no imageset holds is dropped while loading, with a log line.
  EXPECT_EQ(install_.log().find("Image not defined"), std::string::npos) << install_.log();
}

}  // namespace
}  // namespace vktest
