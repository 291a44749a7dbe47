// The sing queue headless on the virtual clock, with missions that record their calls: the
// queue operations and their events, the sang list and its file, the song file's way to the
// engine, and the local data sources.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "MissonTestSupport.h"
#include "NetTestSupport.h"
#include "NetWork/NetworkInterface.h"
#include "PK/CMissonManager.h"
#include "PK/MissonDataSources.h"
#include "TestSupport.h"
#include "app/CInfoTipManager.h"
#include "app/EventNames.h"
#include "app/WindowPath.h"
#include "engine/CCacheMicData.h"
#include "engine/CVokaPlayCtrol.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Utf.h"
#include "vokaran/Vokaran.h"

namespace {

using vktest::RecordingMisson;

bool showsText(const CEGUI::Window* w, const char* text) {
  if (w->getText() == CEGUI::String(reinterpret_cast<const CEGUI::utf8*>(text))) return true;
  for (std::size_t i = 0; i < w->getChildCount(); ++i)
    if (showsText(w->getChildAtIdx(i), text)) return true;
  return false;
}

class MissonManager : public vktest::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    loadLayout("PK_AppRoot.layout");
    tips_ = std::make_unique<CInfoTipManager>();
    manager_ = std::make_unique<CMissonManager>();
    // No song file is downloaded unless a test lets the downloads run.
    if (!downloads_) manager_->cache().taskManager().Stop();
    for (const auto* name : {&CMissonManager::EventMissonChange, &CMissonManager::EventSangChange,
                             &CMissonManager::EventPlay, &CMissonManager::EventStop})
      connections_.push_back(manager_->subscribeEvent(
          *name, CEGUI::Event::Subscriber([this, name](const CEGUI::EventArgs&) {
            ++fired_[name->c_str()];
            return true;
          })));
  }
  void TearDown() override {
    for (auto& c : connections_) c->disconnect();
    manager_.reset();
    tips_.reset();
    GuiTest::TearDown();
  }
  RecordingMisson* misson(const std::wstring& id, int type = 3) { return new RecordingMisson(id, log_, type); }
  // Delivers a song file as its download would.
  void deliver(const std::wstring& songId, std::shared_ptr<const MicFileBytes> bytes) {
    CTaskMicDown task(songId);
    auto* args = new TaskEventarges(task);
    args->bytes = std::move(bytes);
    Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::MicDownloaded, args, "");
    advance(0);
  }
  int fired(const CEGUI::String& name) { return fired_[name.c_str()]; }
  bool loadingShown() { return findWindow("AppRoot/LoadingInfo")->isVisible(); }

  bool downloads_ = false;
  std::shared_ptr<std::vector<std::string>> log_ = std::make_shared<std::vector<std::string>>();
  std::unique_ptr<CInfoTipManager> tips_;
  std::unique_ptr<CMissonManager> manager_;
  std::map<std::string, int> fired_;
  std::vector<CEGUI::Event::Connection> connections_;
};

TEST_F(MissonManager, AddingToAnIdleQueueStartsTheSongAndLaterOnesWait) {
  ASSERT_TRUE(manager_->Add(misson(L"a")));
  ASSERT_NE(manager_->current(), nullptr);
  EXPECT_EQ(manager_->current()->songId(), L"a");
  EXPECT_EQ(manager_->current()->state, CBaseMisson::Prepared);
  EXPECT_TRUE(loadingShown());
  manager_->Add(misson(L"b"));
  manager_->Add(misson(L"c"));
  EXPECT_EQ(manager_->waitingCount(), 2u);
  EXPECT_EQ(*log_, (std::vector<std::string>{"a:Prepare"}));
  // Every queued song's file is asked for at once.
  EXPECT_NE(manager_->cache().Find(L"c") ? manager_->cache().Find(L"c") : manager_->cache().FindWaiting(L"c"), nullptr);
  EXPECT_FALSE(manager_->Add(nullptr));
}

TEST_F(MissonManager, RemoveAndMoveToFrontFindMissonsByKeyAndClonesKeepTheKey) {
  manager_->Add(misson(L"playing"));
  RecordingMisson* b = misson(L"b");
  RecordingMisson* c = misson(L"c");
  manager_->Add(b);
  manager_->Add(c);
  const MissonKey keyB = b->key, keyC = c->key;
  EXPECT_NE(keyB, keyC);
  const int changes = fired(CMissonManager::EventMissonChange);
  EXPECT_EQ(manager_->MoveToFront(keyC), 1);
  EXPECT_EQ(manager_->waiting().front()->key, keyC);
  std::unique_ptr<CBaseMisson> clone(manager_->waiting().front()->Clone());
  EXPECT_EQ(clone->key, keyC);
  EXPECT_EQ(manager_->Remove(keyB), 1);
  EXPECT_EQ(manager_->Remove(keyB), 0);
  EXPECT_EQ(manager_->MoveToFront(keyB), 0);
  EXPECT_EQ(fired(CMissonManager::EventMissonChange), changes + 2);
  ASSERT_EQ(manager_->waitingCount(), 1u);

  std::vector<CBaseMisson*> out;
  manager_->CopyRange(0, 0, out);
  EXPECT_EQ(out.size(), 1u);
  manager_->CopyRange(0, 1, out);  // past the end
  manager_->CopyRange(-1, 0, out);
  manager_->CopyRange(1, 0, out);
  EXPECT_EQ(out.size(), 1u);
}

TEST_F(MissonManager, TheSangListKeepsTheNewestUpToItsMaximum) {
  manager_->setSangMaxNum(100);
  for (int i = 0; i <= 100; ++i) manager_->Add(misson(std::to_wstring(i)));
  for (int i = 0; i <= 100; ++i) manager_->PlayNext();
  EXPECT_EQ(manager_->current(), nullptr);
  ASSERT_EQ(manager_->sang().size(), 100u);
  EXPECT_EQ(manager_->sang().front()->song.SongID, L"100");
  EXPECT_EQ(manager_->sang().back()->song.SongID, L"1");  // "0", the oldest, was dropped
  EXPECT_EQ(manager_->sang().front()->type, 3);
  const MissonKey key = manager_->sang()[5]->key;
  EXPECT_EQ(manager_->RemoveSang(key), 1);
  EXPECT_EQ(manager_->sang().size(), 99u);
  manager_->ClearSang();
  EXPECT_TRUE(manager_->sang().empty());
}

TEST_F(MissonManager, SangListFileKeepsContestSongsAndSurvivesDamage) {
  vktest::TempDir dir;
  const std::wstring path = oscompat::wideFromUtf8(dir.file("SangSet.xml"));
  vktest::writeFile(dir.file("SangSet.xml"),
                    "<SongSet>"
                    "<Song><Item Name=\"MisType\" Value=\"3\"/><Item Name=\"SongID\" Value=\"x1\"/>"
                    "<Item Name=\"SongName\" Value=\"茉莉花\"/><Item Name=\"FlashCode2\" Value=\"f2\"/></Song>"
                    "<Song><Item Name=\"MisType\" Value=\"0\"/><Item Name=\"SongID\" Value=\"x2\"/></Song>"
                    "<Song><Item Name=\"MisType\" Value=\"9\"/><Item Name=\"SongID\" Value=\"x3\"/></Song>"
                    "<Song><Item Name=\"MisType\" Value=\"3\"/><Item Name=\"SongID\" Value=\"x4\"/></Song>"
                    "</SongSet>");
  EXPECT_TRUE(manager_->LoadSang(path));
  ASSERT_EQ(manager_->sang().size(), 2u);
  EXPECT_EQ(manager_->sang()[0]->song.SongID, L"x1");
  EXPECT_EQ(manager_->sang()[0]->song.FlashCode2, L"f2");
  EXPECT_NE(manager_->sang()[0]->key, manager_->sang()[1]->key);

  // Round trip: what is saved reads back the same.
  ASSERT_TRUE(manager_->SaveSang(path));
  CMissonManager other;
  other.LoadSang(path);
  ASSERT_EQ(other.sang().size(), 2u);
  EXPECT_EQ(other.sang()[0]->song.SongName, L"茉莉花");
  EXPECT_EQ(other.sang()[1]->song.SongID, L"x4");

  // A damaged file is kept aside and the list starts empty.
  vktest::writeFile(dir.file("SangSet.xml"), "<SongSet><Song><Item Name=");
  CMissonManager fresh;
  EXPECT_FALSE(fresh.LoadSang(path));
  EXPECT_TRUE(fresh.sang().empty());
  EXPECT_TRUE(std::filesystem::exists(dir.file("SangSet.xml.bad")));
}

TEST_F(MissonManager, LocalSourcesPageThroughTheListsAndFollowTheirChanges) {
  manager_->Add(misson(L"playing"));
  for (int i = 0; i < 25; ++i) manager_->Add(misson(std::to_wstring(i)));
  std::unique_ptr<IDataSource> source(manager_->createMissonSource());
  std::vector<EventArgsMissonPage> pages;
  source->subscribeEvent(IDataSource::EventGotData, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs& a) {
                           pages.push_back(static_cast<const EventArgsMissonPage&>(a));
                           return true;
                         }));
  EXPECT_EQ(source->getPageCount(), 3);
  source->requestPage(7);
  ASSERT_EQ(pages.back().missons.size(), 1u);
  EXPECT_EQ(pages.back().missons[0]->songId(), L"24");
  source->requestPage(-2);
  EXPECT_EQ(pages.back().missons.size(), 12u);
  EXPECT_EQ(pages.back().missons[0]->songId(), L"0");
  source->prevPage();  // from the first page to the last
  EXPECT_EQ(source->getCurrentPage(), 2);
  source->nextPage();
  EXPECT_EQ(source->getCurrentPage(), 0);

  // A change of the queue delivers the shown page again.
  source->setFilled(1);
  const std::size_t before = pages.size();
  manager_->Remove(manager_->waiting()[0]->key);
  EXPECT_EQ(pages.size(), before + 1);
  EXPECT_EQ(pages.back().missons[0]->songId(), L"1");
  EXPECT_TRUE(source->needsFill());

  manager_->ClearWaiting();
  EXPECT_EQ(source->getPageCount(), 0);
  EXPECT_TRUE(pages.back().missons.empty());
  EXPECT_EQ(pages.back().page, -1);

  std::unique_ptr<IDataSource> sang(manager_->createSangSource());
  std::vector<std::size_t> sizes;
  sang->subscribeEvent(IDataSource::EventGotData, CEGUI::Event::Subscriber([&](const CEGUI::EventArgs& a) {
                         sizes.push_back(static_cast<const EventArgsSangPage&>(a).sang.size());
                         return true;
                       }));
  manager_->PlayNext();
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.back(), 1u);
}

// The song file's way to the engine, with the engine open on a silent device and a service
// that serves the song files.
class MissonManagerWithEngine : public MissonManager {
 protected:
  MissonManagerWithEngine() : service_(true) { downloads_ = true; }
  void SetUp() override {
    MissonManager::SetUp();
    ASSERT_TRUE(engine_.ok);
    net_ = std::make_unique<NetworkInterface>();
    net_->SetSession("vk-demo-session-10001", L"10001");
  }
  void TearDown() override {
    engine_.quiet();
    MissonManager::TearDown();
    net_.reset();
  }
  vktest::TestService service_;
  vktest::OpenEngine engine_{"null"};
  std::unique_ptr<NetworkInterface> net_;
  CVokaPlayCtrol play_;
};

TEST_F(MissonManagerWithEngine, AQueuedSongIsDownloadedAndOpenedInTheEngine) {
  manager_->Add(misson(L"100001"));
  ASSERT_TRUE(shell().pumpUntil([&] { return fired(CMissonManager::EventPlay) == 1; }, 60000));
  EXPECT_FALSE(loadingShown());
  EXPECT_TRUE(play_.hasSong());
  EXPECT_GT(VokaGetTotalTime(), 0);
  // A song sung again finds its file in the cache.
  manager_->InsertFront(manager_->current()->Clone());
  manager_->PlayNext();
  advance(0);
  EXPECT_EQ(fired(CMissonManager::EventPlay), 2);
}

// The engine open, no downloads: every song file arrives when the test delivers it.
class MissonManagerWithSilentEngine : public MissonManager {
 protected:
  void SetUp() override {
    MissonManager::SetUp();
    ASSERT_TRUE(engine_.ok);
  }
  void TearDown() override {
    engine_.quiet();
    MissonManager::TearDown();
  }
  vktest::OpenEngine engine_{"null"};
  CVokaPlayCtrol play_;
};

TEST_F(MissonManagerWithSilentEngine, AFileForAnotherSongOrAMissonNotPreparedIsIgnored) {
  manager_->Add(misson(L"100001"));
  manager_->current()->state = CBaseMisson::Playing;
  deliver(L"100001", vktest::songBytes());  // while the mission is not prepared
  manager_->current()->state = CBaseMisson::Prepared;
  EXPECT_EQ(fired(CMissonManager::EventPlay), 0);
  deliver(L"100002", vktest::songBytes());
  EXPECT_EQ(fired(CMissonManager::EventPlay), 0);
  EXPECT_TRUE(loadingShown());
  deliver(L"100001", vktest::songBytes());
  EXPECT_EQ(fired(CMissonManager::EventPlay), 1);
  EXPECT_FALSE(loadingShown());
}

TEST_F(MissonManagerWithSilentEngine, ADamagedSongFileIsReportedAndTheQueueMovesOn) {
  manager_->Add(misson(L"100001"));
  manager_->Add(misson(L"100002"));
  auto damaged = std::make_shared<MicFileBytes>(*vktest::songBytes());
  (*damaged)[damaged->size() / 2] ^= 0x5a;
  deliver(L"100001", damaged);
  EXPECT_EQ(fired(CMissonManager::EventPlay), 0);
  ASSERT_NE(tips_->tipWindow("LoadSongFail"), nullptr);
  EXPECT_TRUE(showsText(tips_->tipWindow("LoadSongFail"), "歌曲加载失败"));
  ASSERT_NE(manager_->current(), nullptr);
  EXPECT_EQ(manager_->current()->songId(), L"100002");
  EXPECT_EQ(manager_->sang().front()->song.SongID, L"100001");
  advance(3000);
  EXPECT_EQ(tips_->tipWindow("LoadSongFail"), nullptr);
  // A download that failed every attempt arrives without bytes: the same.
  manager_->current()->state = CBaseMisson::Prepared;
  deliver(L"100002", nullptr);
  EXPECT_EQ(manager_->current(), nullptr);
}

TEST_F(MissonManagerWithSilentEngine, ASongFileThatNeverArrivesIsGivenUp) {
  manager_->Add(misson(L"100001"));
  advance(CMissonManager::kLoadTimeoutMs - 1);
  EXPECT_NE(manager_->current(), nullptr);
  advance(1);
  EXPECT_EQ(manager_->current(), nullptr);
  EXPECT_NE(tips_->tipWindow("LoadSongFail"), nullptr);
}

TEST_F(MissonManagerWithSilentEngine, TheEndOfTheSongEndsOnlyAMissonThatIsSinging) {
  manager_->Add(misson(L"100001"));
  // A stale end signal does not end a mission that is not singing yet.
  Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::SingOver, new CEGUI::EventArgs, "");
  advance(0);
  EXPECT_EQ(fired(CMissonManager::EventStop), 0);
  manager_->current()->Play();
  Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), EventNames::SingOver, new CEGUI::EventArgs, "");
  advance(0);
  EXPECT_EQ(fired(CMissonManager::EventStop), 1);
  EXPECT_EQ(*log_, (std::vector<std::string>{"100001:Prepare", "100001:Play", "100001:End"}));
}

TEST_F(MissonManagerWithSilentEngine, AddingWhileAMixPlaysOnlyQueues) {
  vktest::TempDir dir;
  // Ten seconds of recorded silence, played back live as a mix.
  vktest::writeFile(dir.file("v.pcm"), std::string(44100 * 2 * 10, '\0'));
  vktest::writeFile(dir.file("m.pcm"), std::string(44100 * 4 * 10, '\0'));
  ASSERT_EQ(SetRecNames(oscompat::wideFromUtf8(dir.file("v.pcm")).c_str(),
                        oscompat::wideFromUtf8(dir.file("m.pcm")).c_str()), 0);
  ASSERT_EQ(RecMixPlay(), 0);
  ASSERT_NE(GetRecMixState(), 0);
  manager_->Add(misson(L"a"));
  EXPECT_EQ(manager_->current(), nullptr);
  EXPECT_EQ(manager_->waitingCount(), 1u);
  RecMixStop();
  ASSERT_TRUE(shell().pumpUntil([] { return GetRecMixState() == 0; }, 10000));
  advance(1000);
  ASSERT_NE(manager_->current(), nullptr);
  EXPECT_EQ(manager_->current()->songId(), L"a");
}

}  // namespace

namespace {

// A song to be sung with camera video on a computer without a camera is sung with the screen
// video (the device folder is pointed at an empty one).
TEST_F(MissonManager, CameraVideoFallsBackToScreenVideoWithoutACamera) {
  vktest::TempDir noDevices;
  setenv("VOKARAN_VIDEO_DEVICE_DIR", noDevices.path().c_str(), 1);
  RecordingMisson* m = misson(L"a");
  m->videoMode = 2;
  const bool added = manager_->Add(m);
  unsetenv("VOKARAN_VIDEO_DEVICE_DIR");
  ASSERT_TRUE(added);
  ASSERT_EQ(manager_->current(), m);
  EXPECT_EQ(manager_->current()->videoMode, 1);
}

}  // namespace
