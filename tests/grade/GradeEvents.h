#pragma once
// Score events posted as the engine's contest callbacks post them, with made-up numbers. Any
// thread.
#include <CEGUI/GlobalEventSet.h>

#include "PK/grade/GradeEventArgs.h"
#include "app/EventNames.h"
#include "guishell/Win32AppHelper.h"

namespace gradetest {

inline void post(const CEGUI::String& name, CEGUI::EventArgs* args) {
  Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), name, args, "");
}

// A scored word, in tenths.
inline void postWord(int p, int t) {
  auto* args = new ScoresEventArgs;
  args->pitchScore = p;
  args->tempoScore = t;
  post(EventNames::WordScoreUpdate, args);
}

// A scored line: its last word and expression in tenths, the running expression in tenths, the
// line's pitch and rhythm 0..100.
inline void postLine(int p, int t, int e, int total, int pitchLine, int rhythmLine) {
  auto* args = new ScoresEventArgs;
  args->pitchScore = p;
  args->tempoScore = t;
  args->emotionLineScore = e;
  args->emotionTotal = total;
  args->pitchLineScore = pitchLine;
  args->tempoLineScore = rhythmLine;
  post(EventNames::EmotionScoreUpdate, args);
}

inline void postMic(int note) {
  auto* args = new MicSampleEventArgs;
  args->micNote = note;
  post(EventNames::MicSampleOver, args);
}

}  // namespace gradetest
