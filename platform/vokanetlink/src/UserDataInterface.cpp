// The user object: the user's record and fee reports.
#include "Objects.h"

namespace vk::netlink {

namespace st = wire::status;


int UserDataImpl::SetCallback(NetworkCallbackFunc callback) {
  setCallback(callback);
  return 0;
}

int UserDataImpl::PayFee(const ILocalFeeData* fee) {
  if (!fee) {
    refuse(6320, st::kBadRequestArgs);
    return 0;
  }
  wire::FeeReport report{fee->getRemainingSings(), fee->getRemainingUploads(), utf8(fee->getCoins())};
  std::string body = nlohmann::json(report).dump();
  auto cancel = cancelFlag();
  submit(6320, [body, cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::send("POST", "/v1/user/fee", body).cancelBy(cancel));
    return Reply::bare(6320, r.status);
  });
  return 0;
}

int UserDataImpl::RequestUserInfo() {
  auto cancel = cancelFlag();
  submit(6305, [cancel](HttpClient& http, const Settings& s) {
    auto r = LinkContext::call(http, s, LinkContext::Call::get("/v1/user").cancelBy(cancel));
    if (r.status != 0) return Reply::bare(6305, r.status);
    auto it = r.json.find("user");
    if (it == r.json.end()) throw wire::WireError("missing field 'user'");
    auto list = std::make_unique<UserList>();
    list->items.emplace_back(wire::readAs<wire::UserRecord>(*it));
    return Reply::ok<IUserList>(6305, std::move(list));
  });
  return 0;
}

}  // namespace vk::netlink

void CUserDataInterface::ReleaseInstance(CUserDataInterface* user) {
  auto* impl = static_cast<vk::netlink::UserDataImpl*>(user);
  if (!impl) return;
  impl->closeAndDrain();
  delete impl;
}

CUserDataInterface* CUserDataInterface::CreateInstance(void* main) {
  return main ? new vk::netlink::UserDataImpl() : nullptr;
}
