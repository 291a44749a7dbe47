#include "core/SongPlayer.h"

#include "core/Synth.h"

#include <algorithm>

namespace vokaran {

std::shared_ptr<const PreparedSong> prepareSong(const SongData& song, std::uint32_t checksum, std::string& error) {
    auto parsed = parseSmf(song.midi);
    if (!parsed.ok) {
        error = parsed.error;
        return nullptr;
    }
    auto prepared = std::make_shared<PreparedSong>();
    prepared->sequence = std::move(parsed.sequence);
    prepared->checksum = checksum;
    // The song ends where its file says; a file without an end time ends with its MIDI.
    prepared->endSeconds = song.songEnd ? double(song.songEnd) / kEngineTicksPerSecond
                                        : prepared->sequence.lastEventSeconds;
    if (prepared->endSeconds <= 0) {
        error = "the song has no length";
        return nullptr;
    }
    return prepared;
}

void SongPlayer::start(const PreparedSong* song, Synth& synth) {
    releaseAll(synth);
    song_ = song;
    next_ = 0;
    songVolume_.fill(100);
    for (int ch : melody_) sendMelodyVolume(ch, synth);
}

void SongPlayer::clear(Synth& synth) {
    releaseAll(synth);
    song_ = nullptr;
    next_ = 0;
}

void SongPlayer::sendMelodyVolume(int ch, Synth& synth) {
    synth.controlChange(ch, 7, songVolume_[ch] * melodyVolume_ / 127);
}

void SongPlayer::setKey(int semitones, Synth& synth) {
    if (semitones == key_) return;
    // A note keeps its old key to its end would clash with the new key: end them now.
    releaseAll(synth);
    key_ = semitones;
}

void SongPlayer::setMelodyVolume(int volume, Synth& synth) {
    volume = std::clamp(volume, 0, 127);
    if (volume == melodyVolume_) return;
    melodyVolume_ = volume;
    for (int ch : melody_) sendMelodyVolume(ch, synth);
}

void SongPlayer::releaseAll(Synth& synth) {
    for (int ch = 0; ch < 16; ++ch)
        for (int k = 0; k < 128; ++k)
            if (sounding_[ch][k]) {
                synth.noteOff(ch, sounding_[ch][k] - 1);
                sounding_[ch][k] = 0;
            }
    for (int ch = 0; ch < 16; ++ch) synth.controlChange(ch, 64, 0);  // sustain pedal up
}

bool SongPlayer::advanceTo(double until, Synth& synth) {
    if (!song_) return false;
    const auto& ev = song_->sequence.events;
    while (next_ < ev.size() && ev[next_].seconds < until) {
        const MidiEvent& e = ev[next_++];
        const int ch = e.channel();
        switch (e.kind()) {
        case 0x90:
            if (e.data2 > 0) {
                const int key = ch == kDrumChannel ? e.data1 : e.data1 + key_;
                if (key < 0 || key > 127) break;
                if (sounding_[ch][e.data1]) synth.noteOff(ch, sounding_[ch][e.data1] - 1);
                sounding_[ch][e.data1] = static_cast<std::uint8_t>(key + 1);
                synth.noteOn(ch, key, e.data2);
                break;
            }
            [[fallthrough]];
        case 0x80:
            if (sounding_[ch][e.data1]) {
                synth.noteOff(ch, sounding_[ch][e.data1] - 1);
                sounding_[ch][e.data1] = 0;
            }
            break;
        case 0xB0:
            if (e.data1 == 7 && isMelody(ch)) {
                // The song's own volume changes are scaled, so they never undo the engine's
                // guide-melody volume.
                songVolume_[ch] = e.data2;
                sendMelodyVolume(ch, synth);
            } else if (e.data1 == 120 || e.data1 == 123) {
                for (int k = 0; k < 128; ++k)
                    if (sounding_[ch][k]) { synth.noteOff(ch, sounding_[ch][k] - 1); sounding_[ch][k] = 0; }
                synth.controlChange(ch, e.data1, e.data2);
            } else {
                synth.controlChange(ch, e.data1, e.data2);
            }
            break;
        case 0xC0: synth.programChange(ch, e.data1); break;
        case 0xD0: synth.channelPressure(ch, e.data1); break;
        case 0xA0: synth.keyPressure(ch, std::clamp(e.data1 + (ch == kDrumChannel ? 0 : key_), 0, 127), e.data2); break;
        case 0xE0: synth.pitchBend(ch, e.data1 | (e.data2 << 7)); break;
        default: break;
        }
    }
    return until < song_->endSeconds;
}

} // namespace vokaran
