#include "app/EngineAudio.h"

#include "vokaran/Vokaran.h"

// The engine refuses values outside its ranges; the settings' items have the same ranges, so
// a refusal leaves nothing to report.
void CEngineAudio::VokaSetVolume(int accompaniment) { ::VokaSetVolume(accompaniment); }
void CEngineAudio::MidiSetMelodyVolume(int melody) { ::MidiSetMelodyVolume(melody); }
void CEngineAudio::VokaSetTempo(int tempo) { ::VokaSetTempo(tempo); }
void CEngineAudio::VokaSetKey(int key) { ::VokaSetKey(key); }
void CEngineAudio::MicSetVolume(int microphone) { ::MicSetVolume(microphone); }
void CEngineAudio::MicSetEchoDeep(int depth) { ::MicSetEchoDeep(depth); }
void CEngineAudio::MicSetEchoLevel(int echo) { ::MicSetEchoLevel(echo); }
