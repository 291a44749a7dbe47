#include "PK/CLyricsCVD.h"

#include "vokaran/Vokaran.h"

CLyricsCVD::CLyricsCVD(std::function<int()> timeSource)
    : timeSource_(timeSource ? std::move(timeSource) : std::function<int()>([] { return VokaGetMidiTime(); })) {}

CLyricsCVD::~CLyricsCVD() { Stop(); }

void CLyricsCVD::Create(CEGUI::Window*, CLyricsData&) {}

void CLyricsCVD::Start() { notes_.loadFromEngine(); }

void CLyricsCVD::Stop() {}

bool CLyricsCVD::hasRange() const {
  return notes_.low(0) != CMelodyNoteData::kDefaultLow || notes_.high(0) != CMelodyNoteData::kDefaultHigh;
}
