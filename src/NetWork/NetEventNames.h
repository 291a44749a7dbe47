#pragma once
// Names of the events the network facade posts to the works manager (the application-wide
// names are in app/EventNames.h).
#include <CEGUI/String.h>

namespace NetEventNames {
extern const CEGUI::String UploadReqSuccess;        // BlockUploadBackEventArgs (upload id, packet total)
extern const CEGUI::String BeginUploadUpdate;       // BlockUploadBackEventArgs (packets sent, upload id)
extern const CEGUI::String FileUploadFinish;        // UploadUrlInfoEventArgs
extern const CEGUI::String SuspendSuccess;          // SuspendSuccessArgs
extern const CEGUI::String UploadSuccess;           // plain EventArgs
extern const CEGUI::String UploadFail;              // plain EventArgs
extern const CEGUI::String GetNetRecordingSuccess;  // NetRecordingListArgs
extern const CEGUI::String GetNetRecordingFail;     // plain EventArgs
extern const CEGUI::String DelNetRecordingSuccess;  // StringEventArgs (work id)
extern const CEGUI::String DelNetRecordingFail;     // StringEventArgs (work id)
}  // namespace NetEventNames
