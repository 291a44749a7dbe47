// Uploads through the library: the reply sequence, lost and repeated packets, restarts of
// either side, suspend and resume, and whose works may be deleted.
#include <httplib.h>

#include <random>

#include "LinkFixture.h"

namespace vk::netlink::test {
namespace {

using nlohmann::json;

constexpr int kPackets = 10;

class Uploads : public LinkFixture {
 protected:
  void SetUp() override {
    ::setenv("VOKARAN_UPLOAD_PACKET_BYTES", "4096", 1);
    LinkFixture::SetUp();
    std::mt19937 random(99);
    file_.resize(4096 * (kPackets - 1) + 1000);
    for (auto& b : file_) b = static_cast<char>(random() & 0xFF);
    path_ = dir_ / "Temp" / "20240601203000_100001.WMV";
    writeFile(path_, file_);
    product_.path = path_.wstring();
    product_.size = static_cast<int>(file_.size());
  }
  void TearDown() override {
    LinkFixture::TearDown();
    ::unsetenv("VOKARAN_UPLOAD_PACKET_BYTES");
  }

  Record waitForProduct() { return recorder_.first(6302); }
  int uploadId() { return recorder_.first(6201).values["upload"]; }

  // The bytes at the published address.
  std::string download(const std::string& address) {
    auto at = address.find("/media/");
    httplib::Client client("127.0.0.1", service_->port());
    auto r = client.Get(address.substr(at).c_str());
    return r && r->status == 200 ? r->body : std::string("<download failed>");
  }

  std::vector<int> sentCounts() {
    std::vector<int> sent;
    for (auto& r : recorder_.of(6203)) sent.push_back(r.values["sent"]);
    return sent;
  }

  std::string file_;
  std::filesystem::path path_;
  Product product_;
};

TEST_F(Uploads, RequestUploadSendsEveryPacketAndPublishesTheWork) {
  upload_->RequestUpload(&product_);
  ASSERT_EQ(waitForProduct().status, 0);
  auto ticket = recorder_.first(6201);
  EXPECT_EQ(ticket.values["total"], kPackets);
  std::vector<int> expected(kPackets);
  for (int i = 0; i < kPackets; ++i) expected[static_cast<std::size_t>(i)] = i + 1;
  EXPECT_EQ(sentCounts(), expected);
  for (auto& progress : recorder_.of(6203)) EXPECT_EQ(progress.values["upload"], ticket.values["upload"]);
  auto finished = recorder_.first(6202);
  EXPECT_EQ(finished.values["upload"], ticket.values["upload"]);
  EXPECT_EQ(download(finished.values["address"]), file_);
  // The order of the replies: ticket, progress, address, product record.
  std::vector<int> order;
  for (auto& r : recorder_.all())
    if (order.empty() || order.back() != r.id) order.push_back(r.id);
  EXPECT_EQ(order, (std::vector<int>{6201, 6203, 6202, 6302}));

  // Submitting the product record again (the module restarted after the file was sent)
  // publishes nothing twice.
  int id = ticket.values["upload"];
  recorder_.reset();
  product_.uploaded = true;
  product_.uploadId = std::to_wstring(id);
  upload_->RequestUpload(&product_);
  EXPECT_EQ(waitForProduct().status, -143);
  EXPECT_TRUE(recorder_.of(6203).empty());

  // Published: in the works list; deleting it answers with its id, and the deleted work
  // cannot be published again from its upload.
  recorder_.reset();
  main_->RequestWorksList(10001);
  auto works = recorder_.first(6325).values["items"];
  auto mine = std::find_if(works.begin(), works.end(), [](const json& w) { return w["song"] == "告别"; });
  ASSERT_NE(mine, works.end());
  EXPECT_EQ((*mine)["total"], std::to_string(product_.GetTotalScore()));
  EXPECT_EQ((*mine)["type"], "1");
  std::string key = (*mine)["key"];
  upload_->DeleteWork(std::stoi(key));
  auto deleted = recorder_.first(6324);
  EXPECT_EQ(deleted.status, 0);
  EXPECT_EQ(deleted.values["workId"], key);
  recorder_.reset();
  upload_->RequestUpload(&product_);
  EXPECT_EQ(waitForProduct().status, -1003);
}

// A packet lost on the way, and a packet whose acknowledgement was lost (so the service gets
// it twice): both are sent again and the file arrives whole.
TEST_F(Uploads, LostAndRepeatedPacketsAreSentAgain) {
  FaultProxy proxy(service_->port());
  releaseObjects();
  useService(proxy.url());
  createObjects();
  proxy.dropRequestOnce("/packets/3 ");
  proxy.dropResponseOnce("/packets/6 ");
  upload_->RequestUpload(&product_);
  ASSERT_EQ(waitForProduct().status, 0);
  EXPECT_EQ(proxy.count("/packets/3 "), 2);
  EXPECT_EQ(proxy.count("/packets/6 "), 2);
  EXPECT_EQ(proxy.count("/packets/0 "), 1);
  EXPECT_EQ(sentCounts().back(), kPackets);
  EXPECT_EQ(download(recorder_.first(6202).values["address"]), file_);
}

// A packet that keeps failing ends the attempt with 6204; ResumeUpload (what the works manager
// does on 6204) goes on from there.
TEST_F(Uploads, PacketThatKeepsFailingAsksForAResume) {
  FaultProxy proxy(service_->port());
  releaseObjects();
  useService(proxy.url());
  createObjects();
  // More drops than the library's attempts (curl itself also retries on a reused connection).
  for (int i = 0; i < 20; ++i) proxy.dropRequestOnce("/packets/3 ");
  upload_->RequestUpload(&product_);
  auto failed = recorder_.first(6204);
  EXPECT_EQ(failed.status, -15004);
  EXPECT_EQ(sentCounts().back(), 3);
  EXPECT_TRUE(recorder_.of(6302).empty());
  int dropped = proxy.count("/packets/3 ");
  EXPECT_GE(dropped, 4);
  proxy.clearRules();
  upload_->ResumeUpload(uploadId());
  ASSERT_EQ(waitForProduct().status, 0);
  EXPECT_EQ(proxy.count("/packets/3 "), dropped + 1);
  EXPECT_EQ(proxy.count("/packets/2 "), 1);
  EXPECT_EQ(download(recorder_.first(6202).values["address"]), file_);
}

// The service is killed after three acknowledged packets and started again: the upload goes
// on from the packets the service kept.
TEST_F(Uploads, ServiceRestartedMidUploadContinues) {
  FaultProxy proxy(service_->port());
  releaseObjects();
  useService(proxy.url());
  createObjects();
  std::mutex mutex;
  std::condition_variable changed;
  bool atThree = false, restarted = false;
  recorder_.onReply([&](const Record& r) {
    if (r.id != 6203 || r.values["sent"] != 3) return;
    // Hold the upload thread until the service is down and back.
    std::unique_lock lock(mutex);
    atThree = true;
    changed.notify_all();
    changed.wait(lock, [&] { return restarted; });
  });
  upload_->RequestUpload(&product_);
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(60), [&] { return atThree; }));
  }
  int port = service_->port();
  service_->kill();
  service_->start(port);
  {
    std::lock_guard lock(mutex);
    restarted = true;
  }
  changed.notify_all();
  // The library retries on its own; when it gives up it says so (6204) and the module resumes.
  ASSERT_TRUE(recorder_.waitFor([&](const std::vector<Record>& records) {
    for (auto& r : records)
      if (r.id == 6302 || r.id == 6204) return true;
    return false;
  }));
  if (!recorder_.of(6204).empty()) upload_->ResumeUpload(uploadId());
  ASSERT_EQ(waitForProduct().status, 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(proxy.count("/packets/" + std::to_string(i) + " "), 1) << i;
  EXPECT_EQ(download(recorder_.first(6202).values["address"]), file_);
}

// The module (and with it the library) ends in the middle of an upload, while a packet is
// on its way; after its restart ResumeUpload continues from the record file, without sending
// acknowledged packets again.
TEST_F(Uploads, LibraryRestartedMidUploadResumesFromItsRecord) {
  FaultProxy proxy(service_->port());
  releaseObjects();
  useService(proxy.url());
  createObjects();
  proxy.swallowRequestOnce("/packets/3 ");
  upload_->RequestUpload(&product_);
  ASSERT_TRUE(recorder_.waitFor([](const std::vector<Record>& records) {
    return std::count_if(records.begin(), records.end(), [](const Record& r) { return r.id == 6203; }) == 3;
  }));
  ASSERT_TRUE(proxy.waitForCount("/packets/3 ", 1));
  int id = uploadId();
  releaseObjects();  // packet 3 is still waiting for its answer
  EXPECT_TRUE(recorder_.of(6202).empty());
  EXPECT_TRUE(recorder_.of(6302).empty());
  recorder_.reset();

  createObjects();
  upload_->ResumeUpload(id);
  ASSERT_EQ(waitForProduct().status, 0);
  EXPECT_EQ(sentCounts().front(), 4);
  EXPECT_EQ(sentCounts().back(), kPackets);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(proxy.count("/packets/" + std::to_string(i) + " "), 1) << i;
  EXPECT_EQ(proxy.count("/packets/3 "), 2);
  EXPECT_EQ(download(recorder_.first(6202).values["address"]), file_);
}

TEST_F(Uploads, SuspendStopsAndResumeContinues) {
  recorder_.onReply([this](const Record& r) {
    if (r.id == 6203 && r.values["sent"] == 2) upload_->SuspendUpload();
  });
  upload_->RequestUpload(&product_);
  EXPECT_EQ(recorder_.first(6205).status, 0);
  EXPECT_EQ(sentCounts(), (std::vector<int>{1, 2}));
  EXPECT_TRUE(recorder_.of(6202).empty());
  recorder_.onReply(nullptr);
  upload_->ResumeUpload(uploadId());
  ASSERT_EQ(waitForProduct().status, 0);
  auto sent = sentCounts();
  EXPECT_EQ(sent.size(), static_cast<std::size_t>(kPackets));
  EXPECT_EQ(sent.back(), kPackets);
  EXPECT_EQ(download(recorder_.first(6202).values["address"]), file_);
}

// The upload-file operation (the works manager's retry without an upload id) sends the file
// and gives its address; with no product record handed over, nothing is published.
TEST_F(Uploads, UploadFileSendsTheFileAlone) {
  upload_->UploadFile(L".WMV", product_.path.c_str(), L"20240601203000_100001");
  auto finished = recorder_.first(6202);
  EXPECT_EQ(recorder_.first(6201).values["total"], kPackets);
  EXPECT_EQ(sentCounts().back(), kPackets);
  EXPECT_EQ(download(finished.values["address"]), file_);
  // The product record arrives later through RequestUpload of the same file: no packet is
  // sent again, and the work is published.
  recorder_.reset();
  upload_->RequestUpload(&product_);
  EXPECT_EQ(waitForProduct().status, 0);
  EXPECT_TRUE(recorder_.of(6203).empty());
  EXPECT_EQ(recorder_.first(6202).values["address"], finished.values["address"]);
}

// A damaged record file is no reason to fail: the library starts from an empty record.
TEST_F(Uploads, DamagedRecordFileStartsEmpty) {
  releaseObjects();
  writeFile(dir_ / "PKData" / "UploadRecord.xml", "<UploadRecord><Upload UploadID=\"7\" Path=");
  createObjects();
  upload_->ResumeUpload(7);
  EXPECT_EQ(recorder_.first(6302).status, -1003);
  upload_->RequestUpload(&product_);
  ASSERT_TRUE(recorder_.waitFor([](const std::vector<Record>& records) {
    return std::count_if(records.begin(), records.end(), [](const Record& r) { return r.id == 6302; }) == 2;
  }));
  EXPECT_EQ(recorder_.of(6302).back().status, 0);
}

TEST_F(Uploads, MissingFileIsReportedAtTheRequest) {
  product_.path = (dir_ / "Temp" / "missing.WMV").wstring();
  upload_->RequestUpload(&product_);
  EXPECT_EQ(recorder_.first(6201).status, 15011);
  upload_->ResumeUpload(4242);  // an upload the library never made
  EXPECT_EQ(recorder_.first(6302).status, -1003);
}

// Another user's work stays where it is.
TEST_F(LinkFixture, AnotherUsersWorkCannotBeDeleted) {
  main_->RequestCompetitionProducts(100001, 3, 18, 1);
  auto products = recorder_.first(6322).values["items"];
  auto other = std::find_if(products.begin(), products.end(), [](const json& p) { return p["user"] != "10001"; });
  ASSERT_NE(other, products.end());
  std::string key = (*other)["pictureKey"];
  upload_->DeleteWork(std::stoi(key));
  auto refused = recorder_.first(6324);
  EXPECT_EQ(refused.status, -1103);
  EXPECT_FALSE(refused.hasResult);
  recorder_.reset();
  main_->RequestCompetitionProducts(100001, 3, 18, 1);
  auto after = recorder_.first(6322).values["items"];
  EXPECT_NE(std::find_if(after.begin(), after.end(), [&](const json& p) { return p["pictureKey"] == key; }), after.end());
}

}  // namespace
}  // namespace vk::netlink::test
