// Test helpers: the real service as a child process, a fault-injecting proxy in front of
// it, and stand-ins for the records the module hands to the library.
#pragma once

#include <sys/types.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "vokanetlink/VokaNetLink.h"

namespace vk::netlink::test {

std::filesystem::path makeTempDir(const std::string& prefix);
void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string readFile(const std::filesystem::path& path);

// vokaran-service with a small world in `dir`, on a loopback port.
class ServiceProcess {
 public:
  explicit ServiceProcess(std::filesystem::path dir);
  ~ServiceProcess();
  // Starts the service (on `port`, 0 for any) and waits until it listens. Throws on failure.
  void start(int port = 0);
  void kill();  // SIGKILL: no chance to finish anything
  int port() const { return port_; }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
  const std::filesystem::path& dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// Forwards connections to the service; can drop one request before it arrives, or the answer
// to one request, and counts requests by their request line.
class FaultProxy {
 public:
  explicit FaultProxy(int upstreamPort);
  ~FaultProxy();
  int port() const { return port_; }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
  void dropRequestOnce(std::string requestLinePart);
  void dropResponseOnce(std::string requestLinePart);
  // The request never reaches the service and is never answered: the client waits.
  void swallowRequestOnce(std::string requestLinePart);
  int count(const std::string& requestLinePart) const;
  void clearRules();
  // Waits (up to 60 s) until `n` requests matched; false on time-out.
  bool waitForCount(const std::string& requestLinePart, int n) const;

 private:
  void acceptLoop();
  void serve(int client);
  bool takeRule(std::vector<std::string>& rules, const std::string& line);

  int upstream_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable seen_;
  std::vector<std::string> dropRequests_, dropResponses_, swallows_;
  std::vector<std::string> lines_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
};

// A port where a listener accepts connections and never answers.
class SilentService {
 public:
  SilentService();
  ~SilentService();
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  int listener_ = -1;
  int port_ = 0;
};

// A loopback port that nothing listens on.
int closedPort();

struct SongBookEntry : ISongInfo {
  std::array<std::wstring, 18> texts;
  int GetInt0() const override { return 0; }
  int GetInt1() const override { return 0; }
  int GetInt2() const override { return 0; }
  int GetInt3() const override { return 0; }
  const wchar_t* GetText0() const override { return texts[0].c_str(); }
  const wchar_t* GetText1() const override { return texts[1].c_str(); }
  const wchar_t* GetText2() const override { return texts[2].c_str(); }
  const wchar_t* GetText3() const override { return texts[3].c_str(); }
  const wchar_t* GetText4() const override { return texts[4].c_str(); }
  const wchar_t* GetText5() const override { return texts[5].c_str(); }
  const wchar_t* GetText6() const override { return texts[6].c_str(); }
  const wchar_t* GetText7() const override { return texts[7].c_str(); }
  const wchar_t* GetText8() const override { return texts[8].c_str(); }
  const wchar_t* GetText9() const override { return texts[9].c_str(); }
  const wchar_t* GetText10() const override { return texts[10].c_str(); }
  const wchar_t* GetText11() const override { return texts[11].c_str(); }
  const wchar_t* GetText12() const override { return texts[12].c_str(); }
  const wchar_t* GetText13() const override { return texts[13].c_str(); }
  const wchar_t* GetText14() const override { return texts[14].c_str(); }
  const wchar_t* GetText15() const override { return texts[15].c_str(); }
  const wchar_t* GetText16() const override { return texts[16].c_str(); }
  const wchar_t* GetText17() const override { return texts[17].c_str(); }
};

struct Query final : ISearchInfo {
  int page = 1, size = 12;
  std::wstring scope, kind, keyword, empty;
  Query(std::wstring k, std::wstring s, std::wstring w, int p = 1)
      : page(p), scope(std::move(s)), kind(std::move(k)), keyword(std::move(w)) {}
  int GetPage() const override { return page; }
  int GetInt1() const override { return 0; }
  int GetInt2() const override { return 0; }
  int GetPageSize() const override { return size; }
  const wchar_t* GetScope() const override { return scope.c_str(); }
  const wchar_t* GetKind() const override { return kind.c_str(); }
  const wchar_t* GetKeyword() const override { return keyword.c_str(); }
  int GetInt3() const override { return 0; }
  const wchar_t* GetText3() const override { return empty.c_str(); }
};

struct Product : IUploadProductInfo {
  std::wstring ext = L".WMV", song = L"告别", songId = L"100001", singer = L"丁娟", singerId = L"20001", one = L"1",
               path, url, timeLength = L"0", uploadId, userId = L"10001", empty;
  int size = 0, pitch = 600, expression = 400, rhythm = 500, extra = 20, engineTotal = 88;
  bool contest = true, uploaded = false;
  const wchar_t* GetExtension() const override { return ext.c_str(); }
  const wchar_t* GetSongName() const override { return song.c_str(); }
  const wchar_t* GetSongId() const override { return songId.c_str(); }
  const wchar_t* GetSingerName() const override { return singer.c_str(); }
  const wchar_t* GetSingerId() const override { return singerId.c_str(); }
  const wchar_t* GetText6() const override { return one.c_str(); }
  const wchar_t* GetFilePath() const override { return path.c_str(); }
  const wchar_t* GetFileUrl() const override { return url.c_str(); }
  const wchar_t* GetText9() const override { return empty.c_str(); }
  const wchar_t* GetTimeLength() const override { return timeLength.c_str(); }
  int GetFileSize() const override { return size; }
  int GetInt12() const override { return 0; }
  int GetTotalScore() const override { return pitch + expression + rhythm + extra; }
  int GetPitchScore() const override { return pitch; }
  int GetExpressionScore() const override { return expression; }
  int GetRhythmScore() const override { return rhythm; }
  int GetEngineTotal() const override { return engineTotal; }
  const wchar_t* GetText18() const override { return empty.c_str(); }
  const wchar_t* GetUploadId() const override { return uploadId.c_str(); }
  const wchar_t* GetUserId() const override { return userId.c_str(); }
  int GetInt21() const override { return 2; }
  bool IsContestWork() const override { return contest; }
  bool IsFileUploaded() const override { return uploaded; }
};

struct Charge : IChargeFeeinParam {
  int kind = 1;
  std::wstring songId = L"100001", songName = L"告别", extra;
  int getKind() const override { return kind; }
  const wchar_t* getSongId() const override { return songId.c_str(); }
  const wchar_t* getSongName() const override { return songName.c_str(); }
  const wchar_t* getExtra() const override { return extra.c_str(); }
};

struct Fee : ILocalFeeData {
  std::wstring coins = L"99.90";
  int getRemainingSings() const override { return 29; }
  int getRemainingUploads() const override { return 10; }
  const wchar_t* getCoins() const override { return coins.c_str(); }
};

struct Buffer : ISynMidiFileList {
  std::string bytes;
  void ReceiveData(const unsigned char* data, unsigned int length) override {
    bytes.append(reinterpret_cast<const char*>(data), length);
  }
};

}  // namespace vk::netlink::test
