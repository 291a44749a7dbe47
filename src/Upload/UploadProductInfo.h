#pragma once
// One local work as the networking library reads it for an upload. The texts it returns live
// as long as the object: keep it alive until the call that was handed it returns.
#include <string>

#include "Upload/UploadItem.h"
#include "vokanetlink/VokaNetLink.h"

class UploadProductInfo : public IUploadProductInfo {
 public:
  UploadProductInfo(const UploadItem& work, std::wstring userId);

  const wchar_t* GetExtension() const override { return extension_.c_str(); }
  const wchar_t* GetSongName() const override { return work_.Song.c_str(); }
  const wchar_t* GetSongId() const override { return work_.SongID.c_str(); }
  const wchar_t* GetSingerName() const override { return work_.Singer.c_str(); }
  const wchar_t* GetSingerId() const override { return work_.SingerID.c_str(); }
  const wchar_t* GetText6() const override { return L"1"; }
  const wchar_t* GetFilePath() const override { return work_.UploadFile.c_str(); }
  const wchar_t* GetFileUrl() const override { return work_.UploadUrl.c_str(); }
  const wchar_t* GetText9() const override { return L""; }
  const wchar_t* GetTimeLength() const override { return timeLength_.c_str(); }
  int GetFileSize() const override { return fileSize_; }
  int GetInt12() const override { return 0; }
  int GetTotalScore() const override {
    return work_.PitchScore + work_.EmotionScore + work_.BeatScore + work_.AdditionalScore;
  }
  int GetPitchScore() const override { return work_.PitchScore; }
  int GetExpressionScore() const override { return work_.EmotionScore; }
  int GetRhythmScore() const override { return work_.BeatScore; }
  int GetEngineTotal() const override { return work_.TotalScore; }
  const wchar_t* GetText18() const override { return L""; }
  const wchar_t* GetUploadId() const override { return uploadId_.c_str(); }
  const wchar_t* GetUserId() const override { return userId_.c_str(); }
  int GetInt21() const override { return 2; }
  bool IsContestWork() const override { return work_.Type != 0; }
  bool IsFileUploaded() const override { return work_.UploadState == 3; }

 private:
  UploadItem work_;
  std::wstring userId_;
  std::wstring extension_;
  std::wstring timeLength_;
  std::wstring uploadId_;
  int fileSize_ = 0;
};

// The extension of a path with its dot (".WMV"), or empty.
std::wstring fileExtension(const std::wstring& path);
