#pragma once
// The event arguments the engine's contest callbacks post to the GUI thread for the grade
// display: the numbers are copied on the engine's analysis thread, so the handlers never read
// the engine and always see the word or line that the event is about.
#include <CEGUI/EventArgs.h>

#include <cstdint>

// "WordScoreUpdate" (the first two fields) and "EmotionScoreUpdate" (all of them).
class ScoresEventArgs : public CEGUI::EventArgs {
 public:
  int32_t pitchScore = 0;        // the last word's pitch score / 10: 0..10
  int32_t tempoScore = 0;        // the last word's rhythm score / 10
  int32_t emotionLineScore = 0;  // the last line's expression score / 10 (line events)
  int32_t emotionTotal = 0;      // the running expression score / 10 (line events)
  // The last line's pitch and rhythm scores as the engine gives them, 0..100 (line events).
  int32_t pitchLineScore = 0;
  int32_t tempoLineScore = 0;
};

// "MicSampleOver", after each microphone analysis step.
class MicSampleEventArgs : public CEGUI::EventArgs {
 public:
  int32_t engineTime = 0;  // engine time at the sample
  int32_t micNote = 0;     // the sung note (MIDI note number) at the sample, 0 = no voice
};
