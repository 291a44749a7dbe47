#include "NetWork/NetEventNames.h"

namespace NetEventNames {
const CEGUI::String UploadReqSuccess("UploadReqSuccess");
const CEGUI::String BeginUploadUpdate("BeginUploadUpdate");
const CEGUI::String FileUploadFinish("FileUploadFinish");
const CEGUI::String SuspendSuccess("SuspendSuccess");
const CEGUI::String UploadSuccess("UploadSuccess");
const CEGUI::String UploadFail("UploadFail");
const CEGUI::String GetNetRecordingSuccess("GetNetRecordingSuccess");
const CEGUI::String GetNetRecordingFail("GetNetRecordingFail");
const CEGUI::String DelNetRecordingSuccess("DelNetRecordingSuccess");
const CEGUI::String DelNetRecordingFail("DelNetRecordingFail");
}  // namespace NetEventNames
