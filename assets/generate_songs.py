#!/usr/bin/python3
# Writes the game's own songs into assets/songs/ as Standard MIDI Files (format 1).
"""Usage: /usr/bin/python3 assets/generate_songs.py

Every song has a conductor track (title, time signature, tempo) and one track per part:
melody on channel 0, bass on channel 1, chords or a second voice on channel 2, drums
on channel 9 (General MIDI percussion).  Songs start with a one-bar count-in on the
drums so the first melody note does not arrive the moment play starts.

Notes are written as text: 'E5q' is E in octave 5 for a quarter note, 'r' a rest,
'C4+E4+G4h' a chord.  Lengths: w 4 beats, h 2, q 1, e 1/2, s 1/4; a trailing '.'
makes a note half as long again.  '|' separates bars and is only for reading."""

import os
import re
import sys

import mido

HERE = os.path.dirname(os.path.abspath(__file__))
SONG_DIR = os.path.join(HERE, 'songs')
TPB = 480  # ticks per quarter note

LENGTHS = {'w': 4.0, 'h': 2.0, 'q': 1.0, 'e': 0.5, 's': 0.25}
STEPS = {'C': 0, 'D': 2, 'E': 4, 'F': 5, 'G': 7, 'A': 9, 'B': 11}

# General MIDI percussion keys used below.
KICK, SIDE_STICK, SNARE, CLAP, HAT, PEDAL_HAT, OPEN_HAT, CRASH, RIDE, TAMBOURINE = 36, 37, 38, 39, 42, 44, 46, 49, 51, 54


def pitch(name):
    m = re.fullmatch(r'([A-G])([#b]?)(-?\d)', name)
    if not m:
        raise ValueError('bad note name: ' + name)
    step, accidental, octave = m.groups()
    return 12 * (int(octave) + 1) + STEPS[step] + {'#': 1, 'b': -1, '': 0}[accidental]


def parse(text):
    """Text to a list of (beats, [note numbers]) ; an empty list is a rest."""
    out = []
    for token in text.replace('|', ' ').split():
        m = re.fullmatch(r'(.+?)([whqes])(\.?)', token)
        if not m:
            raise ValueError('bad token: ' + token)
        body, length, dot = m.groups()
        beats = LENGTHS[length] * (1.5 if dot else 1.0)
        notes = [] if body == 'r' else [pitch(n) for n in body.split('+')]
        out.append((beats, notes))
    return out


class Part:
    """One instrument track: a list of timed notes on one channel."""

    def __init__(self, name, channel, program, volume=100, pan=64):
        self.name, self.channel, self.program = name, channel, program
        self.volume, self.pan = volume, pan
        self.notes = []  # (start beat, length in beats, note, velocity)

    def play(self, text, at, velocity=90, legato=0.9):
        """Adds the notes of a text starting at beat 'at'; returns the beat after them."""
        for beats, notes in parse(text):
            for n in notes:
                self.notes.append((at, beats * legato, n, velocity))
            at += beats
        return at

    def hit(self, note, at, velocity=90, length=0.25):
        self.notes.append((at, length, note, velocity))

    def track(self):
        events = []  # (tick, order, message); note-offs sort before note-ons at the same tick
        for start, length, note, velocity in self.notes:
            on = int(round(start * TPB))
            off = max(on + 1, int(round((start + length) * TPB)))
            events.append((on, 1, mido.Message('note_on', channel=self.channel, note=note, velocity=velocity)))
            events.append((off, 0, mido.Message('note_off', channel=self.channel, note=note, velocity=0)))
        events.sort(key=lambda e: (e[0], e[1], e[2].note))
        t = mido.MidiTrack()
        t.append(mido.MetaMessage('track_name', name=self.name, time=0))
        t.append(mido.Message('program_change', channel=self.channel, program=self.program, time=0))
        t.append(mido.Message('control_change', channel=self.channel, control=7, value=self.volume, time=0))
        t.append(mido.Message('control_change', channel=self.channel, control=10, value=self.pan, time=0))
        t.append(mido.Message('control_change', channel=self.channel, control=91, value=40, time=0))
        now = 0
        for tick, _, msg in events:
            t.append(msg.copy(time=tick - now))
            now = tick
        t.append(mido.MetaMessage('end_of_track', time=TPB))
        return t, now


def write_song(filename, title, parts, tempos, numerator=4, denominator=4):
    """tempos: [(beat, beats per minute), ...], the first at beat 0."""
    mid = mido.MidiFile(type=1, ticks_per_beat=TPB)
    tracks = [p.track() for p in parts]
    end = max(last for _, last in tracks)
    conductor = mido.MidiTrack()
    conductor.append(mido.MetaMessage('track_name', name=title, time=0))
    conductor.append(mido.MetaMessage('time_signature', numerator=numerator, denominator=denominator, time=0))
    now = 0
    for beat, bpm in tempos:
        tick = int(round(beat * TPB))
        conductor.append(mido.MetaMessage('set_tempo', tempo=mido.bpm2tempo(bpm), time=tick - now))
        now = tick
    conductor.append(mido.MetaMessage('end_of_track', time=max(0, end - now) + TPB))
    mid.tracks.append(conductor)
    for t, _ in tracks:
        mid.tracks.append(t)
    os.makedirs(SONG_DIR, exist_ok=True)
    mid.save(os.path.join(SONG_DIR, filename))


def count_in(drums, beats=4, at=0.0):
    for b in range(beats):
        drums.hit(SIDE_STICK, at + b, 70 if b else 90)
    return at + beats


def chord_bars(part, chords, at, pattern, velocity=70):
    """Plays one chord per bar (or per half bar with 'X/Y') using a rhythm pattern:
    a list of (offset in beats, length, which chord notes as indexes)."""
    bar = max(o + l for o, l, _ in pattern)
    for entry in chords.split():
        halves = entry.split('/')
        for i, name in enumerate(halves):
            notes = CHORDS[name]
            span = bar / len(halves)
            for off, length, idx in pattern:
                if off < span * i or off >= span * (i + 1):
                    continue
                for k in idx:
                    part.hit(notes[k], at + off, velocity, length)
        at += bar
    return at


# Chord voicings (low to high) used by the accompaniment; bass roots are separate.
CHORDS = {
    'C': [pitch('C4'), pitch('E4'), pitch('G4'), pitch('C5')],
    'F': [pitch('F3'), pitch('A3'), pitch('C4'), pitch('F4')],
    'G': [pitch('G3'), pitch('B3'), pitch('D4'), pitch('G4')],
    'G7': [pitch('G3'), pitch('B3'), pitch('F4'), pitch('G4')],
    'Am': [pitch('A3'), pitch('C4'), pitch('E4'), pitch('A4')],
    'Em': [pitch('E3'), pitch('G3'), pitch('B3'), pitch('E4')],
    'E': [pitch('E3'), pitch('G#3'), pitch('B3'), pitch('E4')],
    'Dm': [pitch('D4'), pitch('F4'), pitch('A4'), pitch('D5')],
}
ROOTS = {'C': 'C3', 'F': 'F2', 'G': 'G2', 'G7': 'G2', 'Am': 'A2', 'Em': 'E2', 'E': 'E2', 'Dm': 'D3'}


def bass_line(part, chords, at, beats_per_bar, style='root-fifth', velocity=95):
    for entry in chords.split():
        halves = entry.split('/')
        span = beats_per_bar / len(halves)
        for i, name in enumerate(halves):
            root = pitch(ROOTS[name])
            start = at + i * span
            if style == 'root-fifth' and span >= 2:
                part.hit(root, start, velocity, span / 2 * 0.9)
                part.hit(root + 7 if root + 7 <= pitch('C3') + 7 else root - 5, start + span / 2, velocity - 10,
                         span / 2 * 0.9)
            elif style == 'walk' and span >= 2:
                for b in range(int(span)):
                    part.hit(root + [0, 7, 12, 7][b % 4], start + b, velocity - 5 * (b % 2), 0.85)
            else:
                part.hit(root, start, velocity, span * 0.9)
        at += beats_per_bar
    return at


def drum_beat(drums, at, bars, beats=4, fill_last=False, crash_first=True, light=False):
    for bar in range(bars):
        b0 = at + bar * beats
        for e in range(beats * 2):
            drums.hit(HAT, b0 + e * 0.5, 60 if e % 2 else 75)
        if not light:
            drums.hit(KICK, b0, 100)
            if beats == 4:
                drums.hit(KICK, b0 + 2, 90)
                drums.hit(SNARE, b0 + 1, 85)
                drums.hit(SNARE, b0 + 3, 90)
            else:
                drums.hit(SNARE, b0 + 2, 80)
        else:
            drums.hit(KICK, b0, 80)
        if crash_first and bar == 0:
            drums.hit(CRASH, b0, 90, 1.0)
        if fill_last and bar == bars - 1:
            for k in range(4):
                drums.hit(SNARE, b0 + beats - 1 + k * 0.25, 70 + 8 * k)
    return at + bars * beats


# ------------------------------------------------------------------ the songs

def fanfare():
    """A short original fanfare: eight bars and a closing chord, for quick tests."""
    melody = Part('Trumpet', 0, 56, 110)
    bass = Part('Tuba', 1, 58, 95)
    chords = Part('Brass', 2, 61, 75, 40)
    drums = Part('Drums', 9, 0, 100)
    at = count_in(drums)
    tune = ('G4e. G4s C5q E5q G5q | E5q. C5e D5q E5q | F5q A5q G5q E5q | D5h. rq | '
            'G4e. G4s C5q E5q G5q | A5q. G5e F5q E5q | D5q G5q B4q D5q | C5q E5q G5q C6q | C6w')
    melody.play(tune, at, 100)
    harmony = 'C C F/C G C F G C C'
    chord_bars(chords, harmony, at, [(0, 1.8, (0, 1, 2)), (2, 1.8, (0, 1, 2))])
    bass_line(bass, harmony, at, 4)
    drum_beat(drums, at, 8, fill_last=True)
    drums.hit(CRASH, at + 32, 110, 2.0)
    drums.hit(KICK, at + 32, 110)
    write_song('Fanfare.mid', 'Fanfare', [melody, bass, chords, drums], [(0, 132)])


FRERE = ('C5q D5q E5q C5q | C5q D5q E5q C5q | E5q F5q G5h | E5q F5q G5h | '
         'G5e A5e G5e F5e E5q C5q | G5e A5e G5e F5e E5q C5q | C5q G4q C5h | C5q G4q C5h')


def frere_jacques():
    """The round: a second voice enters two bars after the first."""
    melody = Part('Flute', 0, 73, 105, 50)
    bass = Part('Bass', 1, 32, 95)
    voice2 = Part('Clarinet', 2, 71, 90, 80)
    drums = Part('Drums', 9, 0, 80)
    at = count_in(drums)
    for k in range(3):
        melody.play(FRERE, at + 32 * k, 95)
    for k in range(3):
        voice2.play(FRERE, at + 8 + 32 * k, 80)
    bars = 26
    for b in range(bars):
        bass.hit(pitch('C3'), at + 4 * b, 95, 0.9)
        bass.hit(pitch('G2'), at + 4 * b + 1, 85, 0.9)
        bass.hit(pitch('C3'), at + 4 * b + 2, 90, 0.9)
        bass.hit(pitch('G2'), at + 4 * b + 3, 85, 0.9)
    drum_beat(drums, at, bars, light=True)
    write_song('FrereJacques.mid', 'Frere Jacques', [melody, bass, voice2, drums], [(0, 116)])


def greensleeves():
    """In 3/4, with arpeggiated guitar chords and a slower last line."""
    melody = Part('Recorder', 0, 74, 105, 56)
    bass = Part('Cello', 1, 42, 85, 70)
    guitar = Part('Guitar', 2, 24, 95, 76)
    drums = Part('Percussion', 9, 0, 70)
    at = count_in(drums, 3)
    verse = ('rh A4q | C5h D5q | E5q. F5e E5q | D5h B4q | G4q. A4e B4q | C5h A4q | A4q. G#4e A4q | B4h G#4q | '
             'E4h A4q | C5h D5q | E5q. F5e E5q | D5h B4q | G4q. A4e B4q | C5q. B4e A4q | G#4q. F#4e G#4q | A4h. | A4h. |')
    refrain = ('G5h. | G5q. F#5e E5q | D5h B4q | G4q. A4e B4q | C5h A4q | A4q. G#4e A4q | B4h G#4q | E4h. | '
               'G5h. | G5q. F#5e E5q | D5h B4q | G4q. A4e B4q | C5q. B4e A4q | G#4q. F#4e G#4q | A4h. | A4h.')
    melody.play(verse + refrain, at, 95)
    start = at + 3  # the first full bar, after the pick-up
    harmony = ('Am C G Em Am F E E Am C G Em Am E Am Am '
               'C Em G Em Am F E E C Em G Em Am E Am Am')
    arpeggio = [(0, 0.45, (0,)), (0.5, 0.45, (2,)), (1, 0.45, (3,)), (1.5, 0.45, (1,)), (2, 0.45, (2,)),
                (2.5, 0.45, (3,))]
    chord_bars(guitar, harmony, start, arpeggio, 62)
    bass_line(bass, harmony, start, 3, style='held', velocity=85)
    for b in range(32):
        drums.hit(TAMBOURINE, start + 3 * b, 55, 0.2)
    bars_before_slowdown = 30
    write_song('Greensleeves.mid', 'Greensleeves', [melody, bass, guitar, drums],
               [(0, 120), (start + 3 * bars_before_slowdown, 100), (start + 3 * (bars_before_slowdown + 1), 84)],
               numerator=3)


ODE = ('E5q E5q F5q G5q | G5q F5q E5q D5q | C5q C5q D5q E5q | E5q. D5e D5h | '
       'E5q E5q F5q G5q | G5q F5q E5q D5q | C5q C5q D5q E5q | D5q. C5e C5h | '
       'D5q D5q E5q C5q | D5q E5e F5e E5q C5q | D5q E5e F5e E5q D5q | C5q D5q G4h | '
       'E5q E5q F5q G5q | G5q F5q E5q D5q | C5q C5q D5q E5q | D5q. C5e C5h')
ODE_CHORDS = 'C G C C/G C G C G/C G/C G7/C G C/G C G C G/C'


def ode_to_joy():
    """Played twice: calmly, then faster (a tempo change in the middle) with a full beat."""
    melody = Part('Piano', 0, 0, 110)
    bass = Part('Bass', 1, 32, 95)
    strings = Part('Strings', 2, 48, 72)
    drums = Part('Drums', 9, 0, 90)
    at = count_in(drums)
    second = melody.play(ODE, at, 92)
    melody.play(ODE, second, 100)
    held = [(0, 3.8, (0, 1, 2))]
    chord_bars(strings, ODE_CHORDS, at, held, 60)
    chord_bars(strings, ODE_CHORDS, second, [(0, 1.8, (0, 1, 2)), (2, 1.8, (0, 1, 2))], 70)
    bass_line(bass, ODE_CHORDS, at, 4, style='held', velocity=85)
    bass_line(bass, ODE_CHORDS, second, 4)
    drum_beat(drums, at, 16, light=True, fill_last=True)
    drum_beat(drums, second, 16, fill_last=False)
    drums.hit(CRASH, second + 64, 100, 2.0)
    drums.hit(KICK, second + 64, 100)
    write_song('OdeToJoy.mid', 'Ode to Joy', [melody, bass, strings, drums], [(0, 104), (second, 132)])


TWINKLE = ('C5q C5q G5q G5q | A5q A5q G5h | F5q F5q E5q E5q | D5q D5q C5h | '
           'G5q G5q F5q F5q | E5q E5q D5h | G5q G5q F5q F5q | E5q E5q D5h | '
           'C5q C5q G5q G5q | A5q A5q G5h | F5q F5q E5q E5q | D5q D5q C5h')
TWINKLE_CHORDS = 'C F/C F/C G/C C/G7 C/G C/G C/G C F/C F/C G/C'


def twinkle():
    melody = Part('Music Box', 0, 10, 110)
    bass = Part('Bass', 1, 33, 90)
    keys = Part('Electric Piano', 2, 4, 80, 44)
    drums = Part('Drums', 9, 0, 70)
    at = count_in(drums)
    second = melody.play(TWINKLE, at, 95)
    melody.play(TWINKLE, second, 95)
    arpeggio = [(0, 0.45, (0,)), (0.5, 0.45, (1,)), (1, 0.45, (2,)), (1.5, 0.45, (1,)),
                (2, 0.45, (0,)), (2.5, 0.45, (1,)), (3, 0.45, (2,)), (3.5, 0.45, (1,))]
    chord_bars(keys, TWINKLE_CHORDS + ' ' + TWINKLE_CHORDS, at, arpeggio, 58)
    bass_line(bass, TWINKLE_CHORDS, at, 4, style='held', velocity=80)
    bass_line(bass, TWINKLE_CHORDS, second, 4, velocity=85)
    drum_beat(drums, second, 12, light=True)
    write_song('Twinkle.mid', 'Twinkle Twinkle', [melody, bass, keys, drums], [(0, 100)])


YANKEE = ('C5q C5q D5q E5q | C5q E5q D5q G4q | C5q C5q D5q E5q | C5h B4h | '
          'C5q C5q D5q E5q | F5q E5q D5q C5q | B4q G4q A4q B4q | C5h C5h | '
          'A4q. B4e A4q G4q | A4q B4q C5h | G4q. A4e G4q F4q | E4h G4h | '
          'A4q. B4e A4q G4q | A4q B4q C5q A4q | G4q C5q B4q D5q | C5h C5h')
YANKEE_CHORDS = 'C C/G C C/G C F/C G C F F/C G7 C F F/C G C'


def yankee_doodle():
    """A quick marching dance: fiddle tune, stride piano, walking bass and snare."""
    melody = Part('Fiddle', 0, 110, 105, 54)
    bass = Part('Bass', 1, 32, 95)
    piano = Part('Piano', 2, 0, 75, 76)
    drums = Part('Drums', 9, 0, 85)
    at = count_in(drums)
    second = melody.play(YANKEE, at, 95, legato=0.8)
    melody.play(YANKEE, second, 100, legato=0.8)
    stride = [(1, 0.4, (0, 1, 2)), (3, 0.4, (0, 1, 2))]
    chord_bars(piano, YANKEE_CHORDS + ' ' + YANKEE_CHORDS, at, stride, 68)
    bass_line(bass, YANKEE_CHORDS + ' ' + YANKEE_CHORDS, at, 4, style='walk')
    drum_beat(drums, at, 16, fill_last=True)
    drum_beat(drums, second, 16)
    drums.hit(CRASH, second + 64, 100, 2.0)
    drums.hit(KICK, second + 64, 100)
    write_song('YankeeDoodle.mid', 'Yankee Doodle', [melody, bass, piano, drums], [(0, 126)])


SONGS = [fanfare, frere_jacques, greensleeves, ode_to_joy, twinkle, yankee_doodle]


def describe(path):
    """Reads a song back with mido: length in seconds, tracks, notes per channel."""
    mid = mido.MidiFile(path)
    counts = {}
    for track in mid.tracks:
        for msg in track:
            if msg.type == 'note_on' and msg.velocity > 0:
                counts[msg.channel] = counts.get(msg.channel, 0) + 1
    tempos = sum(1 for track in mid.tracks for msg in track if msg.type == 'set_tempo')
    return mid.length, len(mid.tracks), counts, tempos


def main():
    for song in SONGS:
        song()
    print('| File | Length (s) | Tracks | Tempo changes | Notes per channel |')
    print('|---|---|---|---|---|')
    for name in sorted(os.listdir(SONG_DIR)):
        if not name.endswith('.mid'):
            continue
        length, ntracks, counts, tempos = describe(os.path.join(SONG_DIR, name))
        per = ', '.join('ch %d: %d' % (ch, counts[ch]) for ch in sorted(counts))
        print('| %s | %.1f | %d | %d | %s |' % (name, length, ntracks, tempos - 1, per))


if __name__ == '__main__':
    sys.exit(main())
