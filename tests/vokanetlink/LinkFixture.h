// The library's four objects against a real service, and a recorder of every reply with the
// values the module reads from its result object (copied during the callback).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ServiceProcess.h"
#include "vokanetlink/VokaNetLink.h"

namespace vk::netlink::test {

struct Record {
  int id = 0;
  int status = 0;
  int tag = 0;
  bool hasResult = false;
  nlohmann::json values;  // what the result object offered, in the module's reading order
};

// Collects replies from the library's threads. One per test process (the callback is a plain
// function).
class Recorder {
 public:
  static Recorder& instance();
  static int callback(void* result, int tag, int messageId, int status);

  void reset();
  std::vector<Record> all() const;
  std::vector<Record> of(int id) const;
  // Waits (up to 60 s) until `ready` holds over the records so far; false on time-out.
  bool waitFor(const std::function<bool(const std::vector<Record>&)>& ready) const;
  // The first reply with `id` (waiting for it); fails the test on time-out.
  Record first(int id) const;
  // Runs on the library thread right after a reply is recorded.
  void onReply(std::function<void(const Record&)> hook);

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Record> records_;
  std::function<void(const Record&)> hook_;
};

std::string utf8(const wchar_t* text);

class LinkFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Points the library at `url` (objects made after this use it).
  void useService(const std::string& url);
  void createObjects();
  void releaseObjects();

  std::filesystem::path dir_;
  std::unique_ptr<ServiceProcess> service_;
  CMainInterface* main_ = nullptr;
  CSongInterface* song_ = nullptr;
  CUploadInterface* upload_ = nullptr;
  CUserDataInterface* user_ = nullptr;
  Recorder& recorder_ = Recorder::instance();
};

}  // namespace vk::netlink::test
