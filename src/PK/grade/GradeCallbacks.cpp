// The engine's contest callbacks. They run on the engine's analysis thread, right after the
// engine scored a word or a line or analysed a microphone step: each copies the numbers the
// engine holds for that moment into new event arguments and posts them to the GUI thread,
// which owns everything else. An event that arrives after the grade display stopped or went
// away reaches no subscriber; the shell frees its arguments either way.
#include <CEGUI/GlobalEventSet.h>

#include "PK/grade/CGradeModule.h"
#include "PK/grade/GradeEventArgs.h"
#include "app/EventNames.h"
#include "guishell/Win32AppHelper.h"
#include "vokaran/Vokaran.h"

namespace {

void post(const CEGUI::String& name, CEGUI::EventArgs* args) {
  Win32AppHelper::postEvent(CEGUI::GlobalEventSet::getSingletonPtr(), name, args, "");
}

}  // namespace

void CGradeModule::onWordEnd() {
  auto* args = new ScoresEventArgs;
  args->pitchScore = VokaPKGetPitchWordScore() / 10;
  args->tempoScore = VokaPKGetTempoWordScore() / 10;
  post(EventNames::WordScoreUpdate, args);
}

void CGradeModule::onLineEnd() {
  auto* args = new ScoresEventArgs;
  args->emotionLineScore = VokaPKGetEmotionLineScore() / 10;
  args->pitchScore = VokaPKGetPitchWordScore() / 10;
  args->tempoScore = VokaPKGetTempoWordScore() / 10;
  args->emotionTotal = VokaPKGetEmotionScore() / 10;
  args->pitchLineScore = VokaPKGetPitchLineScore();
  args->tempoLineScore = VokaPKGetTempoLineScore();
  post(EventNames::EmotionScoreUpdate, args);
}

void CGradeModule::onMicSample() {
  auto* args = new MicSampleEventArgs;
  args->engineTime = VokaGetMidiTime();
  args->micNote = VokaGetCurMicNote();
  post(EventNames::MicSampleOver, args);
}
