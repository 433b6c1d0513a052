#!/usr/bin/env python3
"""Synthesises the four built-in sounds into res/sounds (16-bit PCM, stereo).

Run it again only to change the sounds; the WAV files it writes are kept in
the repository.
"""
import math
import os
import struct
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "res", "sounds")


def envelope(t, length, attack=0.01, release=0.06):
    if t < attack:
        return t / attack
    if t > length - release:
        return max(0.0, (length - t) / release)
    return 1.0


def write(name, rate, length, sample):
    frames = bytearray()
    for i in range(int(rate * length)):
        t = i / rate
        value = max(-1.0, min(1.0, sample(t) * envelope(t, length)))
        s = int(value * 0.6 * 32767)
        frames += struct.pack("<hh", s, s)
    with wave.open(os.path.join(OUT, name + ".wav"), "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


def tone(freq, t):
    return math.sin(2 * math.pi * freq * t) + 0.25 * math.sin(4 * math.pi * freq * t)


def two_notes(first, second, length):
    return lambda t: tone(first if t < length / 2 else second, t) * 0.8


def error_buzz(t):
    # Three short low pulses.
    pulse = (t % 0.27) < 0.2
    return (0.7 * math.copysign(1.0, math.sin(2 * math.pi * 196 * t)) * 0.5 + 0.5 * tone(196, t)) * pulse


def volume_test(t):
    # A slow rise and fall of a soft chord, to set the volume by.
    swell = 0.5 - 0.5 * math.cos(2 * math.pi * t / 2.8)
    return swell * (0.6 * math.sin(2 * math.pi * 440 * t) + 0.4 * math.sin(2 * math.pi * 554.37 * t))


os.makedirs(OUT, exist_ok=True)
write("IDW_UP", 44100, 0.27, two_notes(660, 880, 0.27))
write("IDW_DOWN", 44100, 0.27, two_notes(660, 440, 0.27))
write("IDW_COMPERROR", 44100, 0.8, error_buzz)
write("IDW_VOLTEST", 48000, 2.8, volume_test)
