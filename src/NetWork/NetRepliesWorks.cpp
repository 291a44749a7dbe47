// Uploads and published works, for the works manager: 2549, 6201..6205, 6302, 6312, 6321,
// 6324, 6325.
#include "NetWork/NetEventArgs.h"
#include "NetWork/NetEventNames.h"
#include "NetWork/NetReplyHandlers.h"
#include "app/AppLog.h"

namespace netreply {
namespace {

void onAlbumList(void* result, int, int status) {
  if (status == 0 && result)
    postWorks(NetEventNames::GetNetRecordingSuccess, new NetRecordingListArgs);
  else
    postWorks(NetEventNames::GetNetRecordingFail, new CEGUI::EventArgs);
}

void onUploadAccepted(void* result, int, int status) {
  const auto* ticket = static_cast<const IUploadTicket*>(result);
  if (status == 0 && ticket) {
    auto* args = new BlockUploadBackEventArgs;
    args->uploadId = ticket->GetUploadId();
    args->packetTotal = ticket->GetPacketTotal();
    postWorks(NetEventNames::UploadReqSuccess, args);
    return;
  }
  switch (status) {
    case 15011: postNotice(L"上传文件打开失败！"); break;
    case -15003: postNotice(L"解压失败！"); break;
    case 15012: postNotice(L"PAGENUM错误！"); break;
    // Also a success status without the ticket: the upload did not start.
    default: postNotice(L"文件上传请求失败！"); break;
  }
  // The works manager no longer counts the upload as running.
  postWorks(NetEventNames::UploadFail, new CEGUI::EventArgs);
}

void onPacketSent(void* result, int, int) {
  const auto* progress = static_cast<const IUploadProgress*>(result);
  if (!progress) return;
  auto* args = new BlockUploadBackEventArgs;
  args->packetsSent = progress->GetPacketsSent();
  args->uploadId = progress->GetUploadId();
  postWorks(NetEventNames::BeginUploadUpdate, args);
}

void onFileUploaded(void* result, int, int status) {
  const auto* finished = static_cast<const IUploadFinished*>(result);
  if (status != 0 || !finished) return;
  auto* args = new UploadUrlInfoEventArgs;
  args->uploadId = finished->GetUploadId();
  if (const IUploadedFile* file = finished->GetFile()) args->fileUrl = wide(file->GetAddress());
  postWorks(NetEventNames::FileUploadFinish, args);
}

void onPacketFailing(void*, int, int) {
  if (auto retry = NetworkReplyDispatcher::instance().retryUpload())
    retry();
  else
    appLog("network reply 6204: no works manager to retry the upload");
}

void onSuspended(void*, int, int status) {
  if (status == 0) postWorks(NetEventNames::SuspendSuccess, new SuspendSuccessArgs);
}

void onProductRecord(void*, int, int status) {
  // -143: the service had accepted this record before.
  const bool accepted = status == 0 || status == -143;
  postWorks(accepted ? NetEventNames::UploadSuccess : NetEventNames::UploadFail,
            new CEGUI::EventArgs);
}

void onUploadConfirmed(void*, int, int status) {
  if (status == 0) postWorks(NetEventNames::UploadSuccess, new CEGUI::EventArgs);
}

void onAlbumDeleted(void*, int, int status) {
  if (status == 0) {
    postWorks(NetEventNames::DelNetRecordingSuccess, new StringEventArgs);
    postNotice(L"删除成功！");
  } else {
    postWorks(NetEventNames::DelNetRecordingFail, new StringEventArgs);
    postNotice(L"删除失败！");
  }
}

void onWorkDeleted(void* result, int, int status) {
  const auto* deleted = static_cast<const IWorkIdResult*>(result);
  const std::wstring workId = deleted ? wide(deleted->GetWorkId()) : std::wstring();
  postWorks(status == 0 && deleted ? NetEventNames::DelNetRecordingSuccess
                                   : NetEventNames::DelNetRecordingFail,
            new StringEventArgs(workId));
}

void onWorksList(void* result, int, int status) {
  const auto* list = static_cast<const IWorkList*>(result);
  if (status != 0 || !list) return postWorks(NetEventNames::GetNetRecordingFail, new CEGUI::EventArgs);
  auto* args = new NetRecordingListArgs;
  for (int i = 0; i < list->GetCount(); ++i) {
    const IWorkItem* item = list->GetItem(i);
    if (!item) continue;
    NetRecording w;
    w.Key = wide(item->GetKey());
    w.Song = wide(item->GetSongName());
    w.SongID = wide(item->GetSongId());
    w.Singer = wide(item->GetSingerName());
    w.SingerID = wide(item->GetSingerId());
    const int total = decimalOf(wide(item->GetTotalScore()));
    w.PitchScore = decimalOf(wide(item->GetPitchScore()));
    w.EmotionScore = decimalOf(wide(item->GetExpressionScore()));
    w.BeatScore = decimalOf(wide(item->GetRhythmScore()));
    w.AdditionalScore = total - w.PitchScore - w.BeatScore - w.EmotionScore;
    w.TotalScore = decimalOf(wide(item->GetEngineTotal()));
    w.Flowers = decimalOf(wide(item->GetFlowers()));
    w.Listens = decimalOf(wide(item->GetListens()));
    w.RecordTime = wide(item->GetRecordTime());
    w.WebUrl = wide(item->GetWebUrl());
    w.PictureUrl = wide(item->GetPictureUrl());
    w.Type = decimalOf(wide(item->GetType()));
    w.FileUrl = wide(item->GetFileUrl());
    args->works.push_back(std::move(w));
  }
  postWorks(NetEventNames::GetNetRecordingSuccess, args);
}

}  // namespace

void addWorksHandlers(HandlerMap& map) {
  map[2549] = &onAlbumList;
  map[6201] = &onUploadAccepted;
  map[6203] = &onPacketSent;
  map[6202] = &onFileUploaded;
  map[6204] = &onPacketFailing;
  map[6205] = &onSuspended;
  map[6302] = &onProductRecord;
  map[6321] = &onUploadConfirmed;
  map[6312] = &onAlbumDeleted;
  map[6324] = &onWorkDeleted;
  map[6325] = &onWorksList;
}

}  // namespace netreply
