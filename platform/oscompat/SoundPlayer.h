#pragma once
// Short result sounds (the end-of-song chimes) played over SDL2 audio. Every request runs on a
// new short-lived thread that loads the file and hands it to the device, so the caller never
// waits for the disk or the audio system. One sound plays at a time: a new one replaces the
// one playing. Without an audio device nothing is played and nothing fails.
#include <functional>
#include <string>

namespace oscompat {

// Any thread, non-blocking. Plays the WAV file at `path` (UTF-8); an empty path or a file that
// cannot be read stops the sound that is playing.
void playSoundAsync(std::string path);

// Whether a sound is still playing. Any thread.
bool soundPlaying();
// Waits for the requests made so far to reach the device (tests, shut-down). Not for the
// GUI thread while it runs.
void waitForSoundRequests();

// Replaces the playing of sounds (tests); an empty function restores it.
void setSoundPlayHandler(std::function<void(const std::string&)> handler);

}  // namespace oscompat
