#include "catalog/PKHubData.h"

#include <algorithm>
#include <climits>

#include "NetWork/NetworkInterface.h"

const PictureBuffer* PKHubData::pictureOfSong(int songIndex) const {
  const std::size_t n = std::min(pictures.size(), songIndexes.size());
  for (std::size_t i = 0; i < n; ++i)
    if (songIndexes[i] == songIndex) return pictures[i].empty() ? nullptr : &pictures[i];
  return nullptr;
}

PKHubData& pkHubData() {
  static PKHubData data;
  return data;
}

bool isContestSongId(const std::wstring& songId) {
  const auto& ids = pkHubData().contestSongIds;
  return !songId.empty() && std::find(ids.begin(), ids.end(), songId) != ids.end();
}

namespace {
class NetworkHubRequests : public IPKHubRequests {
 public:
  void requestPeriodInfo() override {
    if (auto* net = NetworkInterface::getSingletonPtr()) net->RequestPeriodInfo();
  }
  void requestCompetitionProducts(int songNumber, int ordering, int count, int page) override {
    if (auto* net = NetworkInterface::getSingletonPtr()) net->RequestCompetitionProducts(songNumber, ordering, count, page);
  }
  void requestMyRank(int userNumber, int songNumber) override {
    if (auto* net = NetworkInterface::getSingletonPtr()) net->RequestMyRank(userNumber, songNumber);
  }
  void requestProductPicture(const std::wstring& pictureKey) override {
    if (auto* net = NetworkInterface::getSingletonPtr()) net->RequestProductPicture(pictureKey);
  }
};
}  // namespace

std::shared_ptr<IPKHubRequests> networkHubRequests() { return std::make_shared<NetworkHubRequests>(); }

int decimalValue(const std::wstring& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > INT_MAX) return negative ? INT_MIN : INT_MAX;
  }
  return static_cast<int>(negative ? -value : value);
}
