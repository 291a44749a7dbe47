#pragma once
// Plays one song's MIDI events into the synthesiser at the engine's tempo and key, keeping
// the guide melody channels at the engine's melody volume. Engine thread only, except
// construction of PreparedSong.
#include "midi/Smf.h"
#include "song/SongFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace vokaran {

class Synth;

// A song made ready for playing: events in score time and where the song ends. Built on the
// GUI thread, then only read.
struct PreparedSong {
    MidiSequence sequence;
    double endSeconds = 0;  // score time of the song's end
    std::uint32_t checksum = 0;
};

// Parses the MIDI of a song. Null and `error` set when the MIDI is unusable.
std::shared_ptr<const PreparedSong> prepareSong(const SongData& song, std::uint32_t checksum, std::string& error);

class SongPlayer {
public:
    static constexpr int kDrumChannel = 9;

    void setMelodyChannels(int first, int second) { melody_ = {first, second}; }
    // Starts a song from its beginning. Synth: reset first.
    void start(const PreparedSong* song, Synth& synth);
    void clear(Synth& synth);
    const PreparedSong* song() const { return song_; }

    // Settings, applied at once to sounding notes where that matters.
    void setKey(int semitones, Synth& synth);
    void setMelodyVolume(int volume, Synth& synth);  // 0..127, scales the song's own CC7
    int key() const { return key_; }

    // Dispatches every event before `untilSeconds` of score time. Returns true while the
    // song has not reached its end.
    bool advanceTo(double untilSeconds, Synth& synth);
    // Ends the notes that sound (pause, stop, key change) with their release.
    void releaseAll(Synth& synth);
    double endSeconds() const { return song_ ? song_->endSeconds : 0; }
    // Score time of the next event to dispatch (or the song's end), for rendering the quiet
    // stretches in one go.
    double nextEventSeconds() const {
        if (!song_) return 0;
        const auto& ev = song_->sequence.events;
        return next_ < ev.size() ? std::min(ev[next_].seconds, song_->endSeconds) : song_->endSeconds;
    }

private:
    bool isMelody(int ch) const { return ch == melody_[0] || ch == melody_[1]; }
    void sendMelodyVolume(int ch, Synth& synth);

    const PreparedSong* song_ = nullptr;
    std::size_t next_ = 0;
    int key_ = 0;
    int melodyVolume_ = 127;
    std::array<int, 2> melody_{0, 1};
    std::array<std::uint8_t, 16> songVolume_{};  // the song's own CC7 per channel
    // Key actually sent at note-on + 1 (0 = not sounding), so the note-off matches.
    std::array<std::array<std::uint8_t, 128>, 16> sounding_{};
};

} // namespace vokaran
