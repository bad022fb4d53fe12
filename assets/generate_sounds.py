#!/usr/bin/python3
# Synthesises the menu sound effects into assets/wav/ (44100 Hz, 16-bit, mono).
"""Usage: /usr/bin/python3 assets/generate_sounds.py

select  - moving in a menu: a short soft blip
select2 - changing a part or a value: the same blip, a fourth lower
ok      - confirming: a bright rising two-note chime
cancel  - going back: a falling two-note figure, softer

Every effect starts with a short fade-in and ends with a fade-out to silence, so
nothing clicks, and peaks at about -6 dBFS."""

import math
import os
import struct
import wave

RATE = 44100
PEAK = 0.5  # about -6 dBFS
HERE = os.path.dirname(os.path.abspath(__file__))
WAV_DIR = os.path.join(HERE, 'wav')


def tone(freq, length, decay, partials=((1.0, 1.0),), glide=0.0, start=0.0, total=None):
    """A decaying tone: partials are (frequency ratio, amplitude); glide bends the pitch
    by that fraction over the tone (negative: downwards)."""
    total = total or start + length
    out = [0.0] * int(total * RATE)
    first = int(start * RATE)
    phases = [0.0] * len(partials)
    for i in range(int(length * RATE)):
        t = i / RATE
        f = freq * (1.0 + glide * t / length)
        env = math.exp(-t / decay)
        s = 0.0
        for j, (ratio, amp) in enumerate(partials):
            phases[j] += 2 * math.pi * f * ratio / RATE
            s += amp * math.sin(phases[j]) * math.exp(-t * (ratio - 1.0) * 6.0)
        if first + i < len(out):
            out[first + i] += s * env
    return out


def add(*tracks):
    n = max(len(t) for t in tracks)
    return [sum(t[i] for t in tracks if i < len(t)) for i in range(n)]


def finish(samples, fade_in=0.003, fade_out=0.02):
    """Fades both ends, then scales to the common peak level."""
    n = len(samples)
    fi, fo = int(fade_in * RATE), int(fade_out * RATE)
    for i in range(min(fi, n)):
        samples[i] *= i / fi
    for i in range(min(fo, n)):
        samples[n - 1 - i] *= i / fo
    peak = max(abs(s) for s in samples) or 1.0
    return [s * PEAK / peak for s in samples]


def write(name, samples):
    os.makedirs(WAV_DIR, exist_ok=True)
    path = os.path.join(WAV_DIR, name + '.wav')
    with wave.open(path, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b''.join(struct.pack('<h', int(round(s * 32767))) for s in samples))
    print('made %s (%.3f s)' % (os.path.relpath(path), len(samples) / RATE))


def note(n):
    """MIDI note number to frequency (A4 = 69 = 440 Hz)."""
    return 440.0 * 2 ** ((n - 69) / 12.0)


BLIP = ((1.0, 1.0), (2.0, 0.25), (3.0, 0.08))
BELL = ((1.0, 1.0), (2.0, 0.4), (3.0, 0.18), (4.2, 0.06))
SOFT = ((1.0, 1.0), (2.0, 0.12))


def main():
    write('select', finish(tone(note(88), 0.07, 0.022, BLIP, glide=-0.04)))           # E6
    write('select2', finish(tone(note(83), 0.08, 0.026, BLIP, glide=-0.04)))          # B5
    write('ok', finish(add(tone(note(84), 0.30, 0.07, BELL, total=0.32),              # C6 then G6
                           tone(note(91), 0.26, 0.09, BELL, start=0.06, total=0.32)), fade_out=0.04))
    write('cancel', finish(add(tone(note(79), 0.12, 0.045, SOFT, glide=-0.02, total=0.25),  # G5 then C5
                               tone(note(72), 0.17, 0.06, SOFT, glide=-0.03, start=0.08, total=0.25)),
                           fade_out=0.04))


if __name__ == '__main__':
    main()
