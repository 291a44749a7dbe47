// The album: one upload at a time, the works file, the resume rule after a restart, and the
// facade's replies turned into the works windows' events.
#include <CEGUI/CEGUI.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "NetWork/NetEventArgs.h"
#include "NetWork/NetEventNames.h"
#include "TestSupport.h"
#include "Upload/CAlbumManager.h"
#include "vokanetlink/VokaNetLink.h"

namespace vktest {
namespace {

namespace fs = std::filesystem;

struct Calls {
  std::vector<std::string> log;
  std::vector<bool> productFileUploaded;
  std::vector<std::wstring> productUploadIds;
};

class FakeNetwork : public IWorksNetwork {
 public:
  explicit FakeNetwork(Calls& calls) : c_(calls) {}
  int RequestUpload(const IUploadProductInfo* p) override {
    c_.log.push_back("request " + std::string(p->GetSongId(), p->GetSongId() + wcslen(p->GetSongId())));
    c_.productFileUploaded.push_back(p->IsFileUploaded());
    c_.productUploadIds.push_back(p->GetUploadId());
    return 0;
  }
  int ResumeUpload(int id) override { return note("resume " + std::to_string(id)); }
  int SuspendUpload() override { return note("suspend"); }
  int UploadFile(const std::wstring&, const std::wstring&, const std::wstring&) override { return note("file"); }
  int RequestWorksList(int user) override { return note("works " + std::to_string(user)); }
  int DeleteWork(int id) override { return note("delete " + std::to_string(id)); }

 private:
  int note(const std::string& s) {
    c_.log.push_back(s);
    return 0;
  }
  Calls& c_;
};

class Album : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    album_ = std::make_unique<CAlbumManager>(std::make_unique<FakeNetwork>(calls_));
    album_->setWorksFilePath(worksFile());
    album_->setUser(L"10001");
  }
  void TearDown() override {
    album_.reset();
    GuiTest::TearDown();
  }
  std::wstring worksFile() const { return std::wstring(install_.path().begin(), install_.path().end()) + L"/PKData/10001.xml"; }
  std::string worksText() const { return readFile(install_.path() + "/PKData/10001.xml"); }
  UploadItem work(const std::wstring& key, int mixed = 1) {
    UploadItem w;
    w.Key = key;
    w.Song = L"茉莉花";
    w.SongID = L"100001";
    w.Type = 1;
    w.Mixed = mixed;
    w.UploadFile = std::wstring(install_.path().begin(), install_.path().end()) + L"/Temp/" + key + L".WMV";
    w.VoicePcmFile = std::wstring(install_.path().begin(), install_.path().end()) + L"/Temp/" + key + L"Voice.pcm";
    return w;
  }
  template <class Args = CEGUI::EventArgs>
  void reply(const CEGUI::String& name, Args args = {}) {
    album_->fireEvent(name, args, "");
  }
  // Counts the album's `name` events from now on.
  void watch(const CEGUI::String& name) {
    connections_.push_back(album_->subscribeEvent(name, CEGUI::Event::Subscriber([this, name](const CEGUI::EventArgs&) {
                                                    ++fired_[name];
                                                    return false;
                                                  })));
  }
  int fired(const CEGUI::String& name) { return fired_[name]; }
  BlockUploadBackEventArgs progress(int id, int sent, int total = 0) {
    BlockUploadBackEventArgs a;
    a.uploadId = id;
    a.packetsSent = sent;
    a.packetTotal = total;
    return a;
  }

  Calls calls_;
  std::unique_ptr<CAlbumManager> album_;
  std::map<CEGUI::String, int> fired_;
  std::vector<CEGUI::Event::Connection> connections_;
};

TEST_F(Album, OneUploadAtATimeAndASwitchWaitsForTheStop) {
  album_->addRecording(work(L"A", 0));
  album_->addRecording(work(L"B"));
  album_->addRecording(work(L"C"));
  album_->requestUpload(L"A");  // not mixed yet: the works list mixes it first
  EXPECT_TRUE(calls_.log.empty());
  album_->requestUpload(L"B");
  ASSERT_EQ(calls_.log, (std::vector<std::string>{"request 100001"}));
  EXPECT_EQ(album_->findByKey(L"B")->UploadState, 1);
  album_->requestUpload(L"B");  // already uploading
  EXPECT_EQ(calls_.log.size(), 1u);
  // A work recorded meanwhile does not lose the running upload (not accepted yet: no id).
  album_->addRecording(work(L"D"));
  ASSERT_TRUE(album_->currentUpload());
  EXPECT_EQ(album_->currentUpload()->Key, L"B");
  reply(NetEventNames::UploadReqSuccess, progress(77, 0, 10));
  EXPECT_EQ(album_->findByKey(L"B")->UploadID, 77);

  watch("UploadPauseB");
  watch("UploadBeginC");
  album_->requestUpload(L"C");
  EXPECT_EQ(calls_.log.back(), "suspend");
  EXPECT_EQ(fired("UploadPauseB"), 1);
  EXPECT_EQ(fired("UploadBeginC"), 0);  // only once the library has stopped
  EXPECT_EQ(album_->findByKey(L"B")->UploadState, 2);
  reply(NetEventNames::SuspendSuccess, SuspendSuccessArgs());
  EXPECT_EQ(fired("UploadBeginC"), 1);
  EXPECT_EQ(album_->currentUpload()->Key, L"C");
  // B comes back where it was: resumed by its upload id.
  album_->requestUpload(L"B");
  reply(NetEventNames::SuspendSuccess, SuspendSuccessArgs());
  EXPECT_EQ(calls_.log.back(), "resume 77");
}

TEST_F(Album, ProgressReachesTheWindowsOnlyWhileTheyShow) {
  album_->addRecording(work(L"A"));
  album_->requestUpload(L"A");
  reply(NetEventNames::UploadReqSuccess, progress(5, 0, 10));
  watch("UploadUpdate");
  reply(NetEventNames::BeginUploadUpdate, progress(5, 3));
  EXPECT_EQ(album_->findByKey(L"A")->SentDataPacket, 3);
  EXPECT_EQ(fired("UploadUpdate"), 0);
  reply(NetEventNames::BeginUploadUpdate, progress(6, 9));  // another upload's reply
  EXPECT_EQ(album_->findByKey(L"A")->SentDataPacket, 3);
  album_->setWorksWindowOpen(true);
  reply(NetEventNames::BeginUploadUpdate, progress(5, 4));
  EXPECT_EQ(fired("UploadUpdate"), 1);
  UploadUrlInfoEventArgs finished;
  finished.uploadId = 5;
  finished.fileUrl = L"http://127.0.0.1/files/5.WMV";
  reply(NetEventNames::FileUploadFinish, finished);
  EXPECT_EQ(album_->findByKey(L"A")->UploadState, 3);
  EXPECT_EQ(album_->findByKey(L"A")->SentDataPacket, 10);
  // Published: the work and its files go, and the published list is asked for again.
  writeFile(install_.path() + "/Temp/AVoice.pcm", "voice");
  reply(NetEventNames::UploadSuccess);
  EXPECT_EQ(album_->findByKey(L"A"), nullptr);
  EXPECT_FALSE(fs::exists(install_.path() + "/Temp/AVoice.pcm"));
  EXPECT_EQ(calls_.log.back(), "works 10001");
  EXPECT_FALSE(album_->uploading());
}

TEST_F(Album, TheWorksFileListsFieldsInNameOrderWithoutTheEngineTotal) {
  UploadItem w = work(L"20261210_100001");
  w.TotalScore = 88;
  w.PitchScore = 30;
  w.RecordTime = L"2026/12/10 10:00";
  album_->addRecording(w);
  const std::string text = worksText();
  EXPECT_EQ(text.find("TotalScore"), std::string::npos);
  EXPECT_LT(text.find("\"AdditionalScore\""), text.find("\"BeatScore\""));
  EXPECT_LT(text.find("\"UploadState\""), text.find("\"UploadUrl\""));
  EXPECT_LT(text.find("\"UploadUrl\""), text.find("\"VoicePcmFile\""));
  CAlbumManager again(std::make_unique<FakeNetwork>(calls_));
  again.setWorksFilePath(worksFile());
  again.reloadRecordings();
  ASSERT_TRUE(again.findByKey(L"20261210_100001"));
  EXPECT_EQ(again.findByKey(L"20261210_100001")->PitchScore, 30);
  EXPECT_EQ(again.findByKey(L"20261210_100001")->TotalScore, 0);
  EXPECT_EQ(again.findByKey(L"20261210_100001")->Song, L"茉莉花");
  EXPECT_EQ(again.findByKey(L"20261210_100001")->RecordTime, L"2026/12/10 10:00");
}

TEST_F(Album, AfterARestartTheFirstInterruptedUploadResumesWhenTheLauncherSaysSo) {
  for (bool resume : {true, false}) {
    SCOPED_TRACE(resume ? "NorSet_Upload 1" : "NorSet_Upload 0");
    calls_ = {};
    {
      CAlbumManager writer(std::make_unique<FakeNetwork>(calls_));
      writer.setWorksFilePath(worksFile());
      for (const wchar_t* key : {L"A", L"B", L"C"}) {
        UploadItem w = work(key);
        w.UploadState = 1;
        w.UploadID = key[0] == L'A' ? 11 : 0;
        if (key[0] == L'C') w.UploadState = 3;
        writer.addRecording(w);
      }
    }
    calls_ = {};
    CAlbumManager restarted(std::make_unique<FakeNetwork>(calls_));
    restarted.setWorksFilePath(worksFile());
    restarted.setResumeUploads(resume);
    restarted.reloadRecordings();
    EXPECT_EQ(restarted.findByKey(L"B")->UploadState, 2);
    EXPECT_EQ(restarted.findByKey(L"C")->UploadState, 3);
    if (resume) {
      EXPECT_EQ(calls_.log, (std::vector<std::string>{"resume 11"}));
      EXPECT_EQ(restarted.findByKey(L"A")->UploadState, 1);
    } else {
      EXPECT_TRUE(calls_.log.empty());
      EXPECT_EQ(restarted.findByKey(L"A")->UploadState, 2);
    }
    fs::remove(install_.path() + "/PKData/10001.xml");
  }
}

TEST_F(Album, AWorkWhoseFileIsOnTheServiceSubmitsOnlyItsProduct) {
  UploadItem w = work(L"A");
  w.UploadState = 3;
  w.UploadID = 9;
  w.UploadUrl = L"http://127.0.0.1/files/9.WMV";
  album_->addRecording(w);
  album_->requestUpload(L"A");
  ASSERT_EQ(calls_.productFileUploaded, std::vector<bool>{true});
  EXPECT_EQ(calls_.productUploadIds[0], L"9");
  EXPECT_EQ(album_->findByKey(L"A")->UploadState, 3);
}

TEST_F(Album, DeletingTheUploadingWorkStopsItFirstAndRemovesItsFiles) {
  UploadItem a = work(L"A");
  a.MusicPcmFile = std::wstring(install_.path().begin(), install_.path().end()) + L"/Temp/Amusic.pcm";
  album_->addRecording(a);
  album_->addRecording(work(L"B"));
  writeFile(install_.path() + "/Temp/Amusic.pcm", "m");
  writeFile(install_.path() + "/Temp/Amusic.WAV", "w");
  album_->requestUpload(L"A");
  album_->deleteRecording(*album_->findByKey(L"A"));
  EXPECT_EQ(calls_.log.back(), "suspend");
  EXPECT_FALSE(album_->uploading());
  EXPECT_EQ(album_->findByKey(L"A"), nullptr);
  EXPECT_NE(album_->findByKey(L"B"), nullptr);
  EXPECT_FALSE(fs::exists(install_.path() + "/Temp/Amusic.pcm"));
  EXPECT_FALSE(fs::exists(install_.path() + "/Temp/Amusic.WAV"));
  EXPECT_EQ(worksText().find("\"A\""), std::string::npos);
}

TEST_F(Album, ADamagedWorksFileIsKeptAndTheAlbumStartsEmpty) {
  writeFile(install_.path() + "/PKData/10001.xml", "<UploadSet><UploadItem><Item Name=\"Key\" Value=\"A\"/>");
  album_->reloadRecordings();
  std::vector<UploadItem*> works;
  album_->listLocalRecordings(works);
  EXPECT_TRUE(works.empty());
  EXPECT_EQ(readFile(install_.path() + "/PKData/10001.xml.bad"),
            "<UploadSet><UploadItem><Item Name=\"Key\" Value=\"A\"/>");
}

TEST_F(Album, AFailedDeletionOfAPublishedWorkNamesIt) {
  NetRecordingListArgs list;
  list.works.resize(2);
  list.works[0].Key = L"301";
  list.works[0].Song = L"茉莉花";
  list.works[1].Key = L"302";
  reply(NetEventNames::GetNetRecordingSuccess, list);
  watch("DelNetRecordingFail301");
  watch("DelNetRecordingSuccess302");
  album_->deleteNetRecording(L"301");
  album_->deleteNetRecording(L"302");
  reply(NetEventNames::DelNetRecordingFail, StringEventArgs(L""));  // the reply names no work
  EXPECT_EQ(fired("DelNetRecordingFail301"), 1);
  reply(NetEventNames::DelNetRecordingSuccess, StringEventArgs(L"302"));
  EXPECT_EQ(fired("DelNetRecordingSuccess302"), 1);
  std::vector<NetRecording> published;
  album_->listNetRecordings(published);
  ASSERT_EQ(published.size(), 1u);
  EXPECT_EQ(published[0].Key, L"301");
}

}  // namespace
}  // namespace vktest
