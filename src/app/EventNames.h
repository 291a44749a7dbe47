#pragma once
// Application-level event names, one constant per name. Application-wide events fire on the
// GUI library's GlobalEventSet (subscribe as "/" + name); page data replies on SongIEventSet.
#include <CEGUI/String.h>

namespace EventNames {
// GlobalEventSet
extern const CEGUI::String AppInitDone;
extern const CEGUI::String ExitSystem;
extern const CEGUI::String SingOver;
extern const CEGUI::String MicDownloaded;
extern const CEGUI::String DevChanged;
extern const CEGUI::String ChallengeBegin;
extern const CEGUI::String ChallengeEnd;
extern const CEGUI::String UpdateDepthEcho;
// A microphone delay measurement ended (MicDelayEventArgs, posted by its worker).
extern const CEGUI::String MicDelayMeasured;
extern const CEGUI::String WordScoreUpdate;
extern const CEGUI::String EmotionScoreUpdate;
extern const CEGUI::String MicSampleOver;
extern const CEGUI::String FreeObject;
extern const CEGUI::String NetError;
extern const CEGUI::String NetErrorWnd;
extern const CEGUI::String GetPKSquareInfo;
extern const CEGUI::String GetNetMenuVersion;
extern const CEGUI::String GetNetMenuList;
extern const CEGUI::String GetUserSpecialInfo;
extern const CEGUI::String GetUserPermit;
extern const CEGUI::String RecBackUserTone;
extern const CEGUI::String EventSongBookAddNotify;
extern const CEGUI::String SongBookDelNotify;
extern const CEGUI::String SongBookSearchNotify;
extern const CEGUI::String GetPKSong;
extern const CEGUI::String GetPKSongInterfacePic;
extern const CEGUI::String RecBackCompetitionProductsInfo;
extern const CEGUI::String RecBackCompetitionProductsPic;
extern const CEGUI::String RecBackMyRankInfo;
extern const CEGUI::String RecBackPeriodInfo;
extern const CEGUI::String UpdateAudioData;
// The score window gave a work to the album: the works page opens.
extern const CEGUI::String OpenWorksWindow;
// SongIEventSet
extern const CEGUI::String EventSongDataBack;
extern const CEGUI::String EventSingerDataBack;
extern const CEGUI::String GetNoteBookDatas;
extern const CEGUI::String EventSongByIDBack;
// Page events
extern const CEGUI::String EndModal;
extern const CEGUI::String EventAsyEndModal;

// "/" + name, for subscribing on the GlobalEventSet.
CEGUI::String global(const CEGUI::String& name);
}  // namespace EventNames
