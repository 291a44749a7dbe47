#include "PK/CLyricsCVD.h"

#include "AppSet/AudioSet.h"
#include "PK/CMissonManager.h"
#include "vokaran/Vokaran.h"
#include "widgets/LyricsWnd.h"
#include "widgets/MelodyWnd.h"

CLyricsCVD::CLyricsCVD(std::function<int()> timeSource)
    : timeSource_(timeSource ? std::move(timeSource) : std::function<int()>([] { return VokaGetMidiTime(); })) {}

CLyricsCVD::~CLyricsCVD() { Stop(); }

void CLyricsCVD::Create(CEGUI::Window* sheet, CLyricsData& lyrics) {
  Stop();
  // The sung pitch over the bars, in the key the song is played in (the engine reports it as
  // sung, the bars are the song's own notes).
  melodyWnd_ = CEGUI::createMelodyWindow(sheet, notes_, timeSource_, [] {
    const int note = VokaGetCurMicNote();
    if (note <= 0) return 0;
    CMissonManager* manager = CMissonManager::getSingletonPtr();
    const Item* key = manager && manager->audioSet() ? manager->audioSet()->getItem(L"KEY") : nullptr;
    return note - (key ? key->value() : 0);
  });
  // The lyrics come after the bars, so the count-in above the first row is drawn over the
  // bars' bottom edge rather than under it.
  lyricsWnd_ = createLyricsWindow(sheet, lyrics, timeSource_);
}

void CLyricsCVD::Start() {
  notes_.loadFromEngine();
  auto* melody = static_cast<CEGUI::MelodyWnd*>(melodyWnd_);
  if (melody) melody->setNoteData(notes_);
  CEGUI::startMelodyWindow(melody);
}

void CLyricsCVD::Stop() {
  destroyLyricsWindow(static_cast<CEGUI::LyricsWnd*>(lyricsWnd_));
  lyricsWnd_ = nullptr;
  auto* melody = static_cast<CEGUI::MelodyWnd*>(melodyWnd_);
  CEGUI::stopMelodyWindow(melody);
  CEGUI::destroyMelodyWindow(melody);
  melodyWnd_ = nullptr;
}

bool CLyricsCVD::hasRange() const {
  return notes_.low(0) != CMelodyNoteData::kDefaultLow || notes_.high(0) != CMelodyNoteData::kDefaultHigh;
}
