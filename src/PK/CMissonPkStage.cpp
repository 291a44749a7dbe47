// What a contest performance leaves around the singing screen: the contest stage behind the
// song, and the rank records of the song once it has been sung. GUI thread.
#include <CEGUI/CEGUI.h>

#include "PK/CMissonPk.h"
#include "app/AppLog.h"
#include "app/ModulePaths.h"
#include "app/WindowPath.h"
#include "oscompat/Utf.h"

namespace {
const CEGUI::String kBackgroundSet("PkBackgroundImageSet");
const CEGUI::String kBackgroundFile("PkBackground.png");
const CEGUI::String kBackgroundImage("set:PkBackgroundImageSet image:full_image");

// The window that shows the stage: the sheet itself when it draws an image, else the sheet's
// full-size "Background" picture.
CEGUI::Window* stageWindow() {
  auto* system = CEGUI::System::getSingletonPtr();
  CEGUI::Window* sheet = system ? system->getDefaultGUIContext().getRootWindow() : nullptr;
  if (!sheet) return nullptr;
  if (sheet->isPropertyPresent("Image")) return sheet;
  if (sheet->isChild("Background")) {
    CEGUI::Window* background = sheet->getChild("Background");
    if (background->isPropertyPresent("Image")) return background;
  }
  return nullptr;
}

// The picture is read once per run and kept for the next contest song.
bool backgroundImageReady() {
  auto& images = CEGUI::ImageManager::getSingleton();
  const CEGUI::String name = imageName(kBackgroundImage);
  if (images.isDefined(name)) return true;
  try {
    images.addFromImageFile(name, kBackgroundFile);
    return true;
  } catch (const CEGUI::Exception& e) {
    appLogError(std::string("CMissonPk: no contest background (") + kBackgroundFile.c_str() + "): " + e.what());
    return false;
  }
}
}  // namespace

void CMissonPk::showContestBackground() {
  CEGUI::Window* stage = stageWindow();
  if (!stage || backgroundShown_ || !backgroundImageReady()) return;
  savedSheetImage = stage->getProperty("Image");
  stage->setProperty("Image", imageName(kBackgroundImage));
  backgroundShown_ = true;
}

void CMissonPk::restoreContestBackground() {
  if (!backgroundShown_) return;
  backgroundShown_ = false;
  if (CEGUI::Window* stage = stageWindow()) stage->setProperty("Image", savedSheetImage);
}

std::wstring CMissonPk::rankPath() { return moduleDirectory() + L"/PKData/AppSets/PKRank.xml"; }

SongRank CMissonPk::rankOf(const PkScoreRecord& s) {
  const int total = s.pitch + s.emotion + s.tempo;
  SongRank rank;
  rank.FinalScore = std::to_wstring(total);
  rank.YinGanScore = std::to_wstring(s.pitch);
  rank.FeelScore = std::to_wstring(s.emotion);
  rank.JieZouScore = std::to_wstring(s.tempo);
  if (s.fullScore > 0) rank.Rate = std::to_wstring(static_cast<long long>(total) * 100 / s.fullScore);
  return rank;
}

// A performance cut for re-singing, or one without a scored word, is no record. The file is
// read again first, so records another run added meanwhile are kept; it is replaced whole,
// never left half written.
void CMissonPk::keepRank() {
  if (replayRequested || scores.fullScore <= 0) return;
  rankSet.setPath(rankPath());
  rankSet.LoadSets();
  rankSet.addRank(songId(), rankOf(scores));
  if (!rankSet.SaveSets())
    appLogError("CMissonPk: the rank records of " + oscompat::utf8FromWide(songId()) + " were not saved");
}
