#!/usr/bin/env python3
"""Synthesises the end-of-song result sounds into PKData/wav.

  涨分.wav  a short bright two-note blip, played at every step of the climbing score bar
  总分.wav  a brass-like major fanfare ending on a held chord, played when the bar stops

Run it after changing a sound; its output is committed beside it (16-bit mono, 44.1 kHz).
"""
import math
import os
import struct
import sys
import wave

RATE = 44100


def note_hz(semitones_from_a4):
    return 440.0 * 2.0 ** (semitones_from_a4 / 12.0)


def envelope(t, length, attack, release):
    if t < attack:
        return t / attack
    if t > length - release:
        return max(0.0, (length - t) / release)
    return 1.0


def tone(freq, length, harmonics, attack=0.005, release=0.05, decay=0.0, vibrato=0.0):
    out = []
    for i in range(int(length * RATE)):
        t = i / RATE
        f = freq * (1.0 + vibrato * math.sin(2 * math.pi * 5.5 * t) * min(1.0, t * 4))
        v = sum(a * math.sin(2 * math.pi * f * (k + 1) * t) for k, a in enumerate(harmonics))
        v *= envelope(t, length, attack, release) * math.exp(-decay * t)
        out.append(v)
    return out


def mix(into, samples, at_seconds, gain=1.0):
    start = int(at_seconds * RATE)
    if len(into) < start + len(samples):
        into.extend([0.0] * (start + len(samples) - len(into)))
    for i, s in enumerate(samples):
        into[start + i] += s * gain


def write(path, samples, peak=0.8):
    top = max(abs(s) for s in samples) or 1.0
    frames = b"".join(struct.pack("<h", int(s / top * peak * 32767)) for s in samples)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def step_blip():
    bell = [1.0, 0.0, 0.35, 0.0, 0.12]
    out = []
    mix(out, tone(note_hz(15), 0.07, bell, release=0.03, decay=18), 0.0)   # C6
    mix(out, tone(note_hz(22), 0.12, bell, release=0.08, decay=14), 0.045)  # G6
    return out


def fanfare():
    brass = [1.0, 0.55, 0.4, 0.22, 0.12, 0.06]
    out = []
    # G4 C5 E5 rising, then a held C major chord (C5 E5 G5 C6) with a little vibrato.
    for i, semis in enumerate((-2, 3, 7)):
        mix(out, tone(note_hz(semis), 0.16, brass, attack=0.01, release=0.04), i * 0.13, 0.8)
    for semis in (3, 7, 10, 15):
        mix(out, tone(note_hz(semis), 1.1, brass, attack=0.02, release=0.45, decay=0.8, vibrato=0.004),
            0.40, 0.5)
    # A sparkle on top.
    mix(out, tone(note_hz(27), 0.5, [1.0, 0.0, 0.3], release=0.4, decay=5), 0.42, 0.25)
    return out


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "PKData", "wav")
    os.makedirs(folder, exist_ok=True)
    write(os.path.join(folder, "涨分.wav"), step_blip(), peak=0.6)
    write(os.path.join(folder, "总分.wav"), fanfare(), peak=0.8)


if __name__ == "__main__":
    main()
