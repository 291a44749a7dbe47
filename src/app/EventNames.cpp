#include "app/EventNames.h"

namespace EventNames {
const CEGUI::String AppInitDone("AppInitDone");
const CEGUI::String ExitSystem("ExitSystem");
const CEGUI::String SingOver("SingOver");
const CEGUI::String MicDownloaded("MicDownloaded");
const CEGUI::String DevChanged("DevChanged");
const CEGUI::String ChallengeBegin("ChallengeBegin");
const CEGUI::String ChallengeEnd("ChallengeEnd");
const CEGUI::String UpdateDepthEcho("UpdateDepthEcho");
const CEGUI::String MicDelayMeasured("MicDelayMeasured");
const CEGUI::String WordScoreUpdate("WordScoreUpdate");
const CEGUI::String EmotionScoreUpdate("EmotionScoreUpdate");
const CEGUI::String MicSampleOver("MicSampleOver");
const CEGUI::String FreeObject("FreeObject");
const CEGUI::String NetError("NetError");
const CEGUI::String NetErrorWnd("NetErrorWnd");
const CEGUI::String GetPKSquareInfo("GetPKSquareInfo");
const CEGUI::String GetNetMenuVersion("GetNetMenuVersion");
const CEGUI::String GetNetMenuList("GetNetMenuList");
const CEGUI::String GetUserSpecialInfo("GetUserSpecialInfo");
const CEGUI::String GetUserPermit("GetUserPermit");
const CEGUI::String RecBackUserTone("RecBackUserTone");
const CEGUI::String EventSongBookAddNotify("EventSongBookAddNotify");
const CEGUI::String SongBookDelNotify("SongBookDelNotify");
const CEGUI::String SongBookSearchNotify("SongBookSearchNotify");
const CEGUI::String GetPKSong("GetPKSong");
const CEGUI::String GetPKSongInterfacePic("GetPKSongInterfacePic");
const CEGUI::String RecBackCompetitionProductsInfo("RecBackCompetitionProductsInfo");
const CEGUI::String RecBackCompetitionProductsPic("RecBackCompetitionProductsPic");
const CEGUI::String RecBackMyRankInfo("RecBackMyRankInfo");
const CEGUI::String RecBackPeriodInfo("RecBackPeriodInfo");
const CEGUI::String UpdateAudioData("UpdateAudioData");
const CEGUI::String OpenWorksWindow("OpenWorksWindow");
const CEGUI::String EventSongDataBack("EventSongDataBack");
const CEGUI::String EventSingerDataBack("EventSingerDataBack");
const CEGUI::String GetNoteBookDatas("GetNoteBookDatas");
const CEGUI::String EventSongByIDBack("EventSongByIDBack");
const CEGUI::String EndModal("EndModal");
const CEGUI::String EventAsyEndModal("EventAsyEndModal");

CEGUI::String global(const CEGUI::String& name) { return "/" + name; }
}  // namespace EventNames
