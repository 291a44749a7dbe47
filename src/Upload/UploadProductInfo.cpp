#include "Upload/UploadProductInfo.h"

#include <climits>
#include <filesystem>

#include "oscompat/Utf.h"

std::wstring fileExtension(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"/\\");
  const size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return {};
  return path.substr(dot);
}

UploadProductInfo::UploadProductInfo(const UploadItem& work, std::wstring userId)
    : work_(work), userId_(std::move(userId)) {
  extension_ = fileExtension(work_.UploadFile);
  timeLength_ = std::to_wstring(work_.TimeLenth);
  if (work_.UploadID != 0) uploadId_ = std::to_wstring(work_.UploadID);
  std::error_code error;
  const auto size = std::filesystem::file_size(oscompat::utf8FromWide(work_.UploadFile), error);
  fileSize_ = error ? 0 : static_cast<int>(std::min<std::uintmax_t>(size, INT_MAX));
}
