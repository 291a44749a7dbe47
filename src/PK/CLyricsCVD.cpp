#include "PK/CLyricsCVD.h"

#include "vokaran/Vokaran.h"
#include "widgets/LyricsWnd.h"

CLyricsCVD::CLyricsCVD(std::function<int()> timeSource)
    : timeSource_(timeSource ? std::move(timeSource) : std::function<int()>([] { return VokaGetMidiTime(); })) {}

CLyricsCVD::~CLyricsCVD() { Stop(); }

void CLyricsCVD::Create(CEGUI::Window* sheet, CLyricsData& lyrics) {
  Stop();
  lyricsWnd_ = createLyricsWindow(sheet, lyrics, timeSource_);
}

void CLyricsCVD::Start() { notes_.loadFromEngine(); }

void CLyricsCVD::Stop() {
  destroyLyricsWindow(static_cast<CEGUI::LyricsWnd*>(lyricsWnd_));
  lyricsWnd_ = nullptr;
}

bool CLyricsCVD::hasRange() const {
  return notes_.low(0) != CMelodyNoteData::kDefaultLow || notes_.high(0) != CMelodyNoteData::kDefaultHigh;
}
