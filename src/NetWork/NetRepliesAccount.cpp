// The user's account and settings: 6305, 6318, 6319, 2564..2592, 6307, 6315, 6320.
#include <cstdlib>

#include "NetWork/NetEventArgs.h"
#include "NetWork/NetEventNames.h"
#include "NetWork/NetReplyHandlers.h"
#include "app/AppLog.h"
#include "app/EventNames.h"

namespace netreply {
namespace {

void onUserRecord(void* result, int, int status) {
  const auto* list = static_cast<const IUserList*>(result);
  if (status != 0 || !list) {
    postNotice(L"用户个人信息获取失败，可能造成您点唱歌曲异常，请检查网络！");
    return;
  }
  const IUserItem* item = list->GetCount() > 0 ? list->GetItem(0) : nullptr;
  if (!item) return;
  auto* args = new UserSpecailInfoEventArgs;
  UserInfor& u = args->user;
  u.ruzaZuv = item->GetRuzaZuv();
  u.VokaCoin = wide(item->GetVokaCoin());
  u.level = wide(item->GetLevel());
  u.exper = wide(item->GetExper());
  u.iPercent = item->GetIPercent();
  u.totalCanSingRecNum = item->GetTotalCanSingRecNum();
  u.totalCanSingRecNumCopy = item->GetTotalCanSingRecNumCopy();
  u.totalCanUploadNum = item->GetTotalCanUploadNum();
  u.leaveCanSingRecNum = item->GetLeaveCanSingRecNum();
  u.leaveCanSingRecNumCopy = item->GetLeaveCanSingRecNumCopy();
  u.leaveCanUploadNum = item->GetLeaveCanUploadNum();
  u.judedSongNum = item->GetJudedSongNum();
  u.overDate = wide(item->GetOverDate());
  u.ktvNum = item->GetKtvNum();
  u.uploadNum = item->GetUploadNum();
  // The server's copy of the id is not taken: the record stays the logged-in user's.
  u.UserID = NetworkReplyDispatcher::instance().currentUserId();
  u.SecretKey = wide(item->GetSecretKey());
  u.Mail = wide(item->GetMail());
  u.Telphone = wide(item->GetTelphone());
  u.IsVod = item->GetIsVod();
  u.IsUpload = item->GetIsUpload();
  u.IsVodCoins = item->GetIsVodCoins();
  u.IsUploadCoins = item->GetIsUploadCoins();
  postGlobal(EventNames::GetUserSpecialInfo, args);
}

void onUserTone(void* result, int, int status) {
  const auto* tone = static_cast<const IToneResult*>(result);
  if (status != 0 || !tone) return;
  auto* args = new UserToneFunRecvEventArgs;
  args->firstToneValue = decimalOf(narrow(tone->GetToneValue()));
  // The server counts the level the other way round: 6 and 0 are level 0, 1 is 5, 5 is 1.
  const long long v = decimalOf(narrow(tone->GetToneLevel()));
  args->toneLevel = static_cast<int>(std::llabs(6 - v) % 6);
  postGlobal(EventNames::RecBackUserTone, args);
}

void onUserRights(void* result, int, int status) {
  const auto* rights = static_cast<const IRightsResult*>(result);
  if (status != 0 || !rights) {
    postNotice(L"点歌权限获取失败，可能造成您点唱歌曲异常，请检查网络！");
    return;
  }
  auto* args = new UserRightsInfoEventArgs;
  args->rights = {rights->GetIsVod(), rights->GetIsUpload(), rights->GetIsVodCoins(),
                  rights->GetIsUploadCoins()};
  postGlobal(EventNames::GetUserPermit, args);
}

// Packets that only store something: a failure is worth a notice.
template <int Id>
void onStored(void*, int, int status) {
  if (status != 0) postNetError(status, Id);
}

void onAudioSettings(void* result, int, int status) {
  const auto* list = static_cast<const IAudioSettingsList*>(result);
  if (status != 0 || !list) return postNetError(status, 2565);
  const ILocalSettingInfo* item = list->GetCount() > 0 ? list->GetItem(0) : nullptr;
  if (!item) return;
  auto* args = new AudioDataEventArgs;
  args->settings = LocalSettingInfoImp(*item);
  postGlobal(EventNames::UpdateAudioData, args);
}

void onToneList(void* result, int, int status) {
  const auto* list = static_cast<const IToneList*>(result);
  if (status != 0 || !list) return postNetError(status, 2588);
  std::vector<ToneInfo> tones;
  for (int i = 0; i < list->GetCount(); ++i) {
    const IToneItem* item = list->GetItem(i);
    if (!item) continue;
    ToneInfo t;
    t.index = item->GetIndex();
    t.isMale = item->GetIsMale();
    t.highPitch = item->GetHighPitch();
    t.highKey = item->GetHighKey();
    t.lowPitch = item->GetLowPitch();
    t.use = item->GetUse();
    t.lowKey = item->GetLowKey();
    t.rangeCode = narrow(item->GetRangeCode());
    t.leave = wide(item->GetLeave());
    t.samples = item->GetSamples();
    t.verified = item->GetVerified();
    tones.push_back(std::move(t));
  }
  if (auto receiver = NetworkReplyDispatcher::instance().toneListReceiver())
    receiver(tones);
  else
    appLog("network reply 2588: no tuning control to take " + std::to_string(tones.size()) +
           " tone records; dropped");
}

void onChargeAnswer(void* result, int, int status) {
  const auto* answer = static_cast<const IChargeAnswer*>(result);
  // A failed charge is the payment's business: an upload that is running goes on.
  if (status != 0 || !answer) {
    appLogError("network reply 6307: the charge failed with status " + std::to_string(status));
    if (auto receiver = NetworkReplyDispatcher::instance().chargeAnswerReceiver()) receiver("", 0);
    return;
  }
  if (auto receiver = NetworkReplyDispatcher::instance().chargeAnswerReceiver())
    receiver(narrow(answer->GetResult()), answer->GetKind());
  else
    appLog("network reply 6307: no payment object to take the charge answer; dropped");
}

void onNothing(void*, int, int) {}

}  // namespace

void addAccountHandlers(HandlerMap& map) {
  map[6305] = &onUserRecord;
  map[6318] = &onUserTone;
  map[6319] = &onUserRights;
  map[2564] = &onStored<2564>;
  map[2566] = &onStored<2566>;
  map[2586] = &onStored<2586>;
  map[2592] = &onStored<2592>;
  map[2565] = &onAudioSettings;
  map[2588] = &onToneList;
  map[6307] = &onChargeAnswer;
  map[6315] = &onNothing;
  map[6320] = &onNothing;
}

}  // namespace netreply
