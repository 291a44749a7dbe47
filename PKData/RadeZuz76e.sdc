VOKARAN-ENGINE-DATA 1
# The karaoke engine's data file (format: docs/engine-data-file.md).
# A relative SoundFont path is resolved against this file's folder.
soundfont = /usr/share/sounds/sf2/TimGM6mb.sf2
sample_rate = 44100
buffer_frames = 512
synth_gain = 0.6
polyphony = 256
reverb = 1
chorus = 0
melody_channel_1 = 1
melody_channel_2 = 2
# Contest scoring tolerances (used by the scoring stage).
pitch_tolerance_cents = 50
rhythm_tolerance_ms = 150
score_frame_hop = 512
