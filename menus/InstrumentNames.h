// InstrumentNames: the Japanese names of the 128 General MIDI programs shown on the song cards.
#pragma once

// Number of General MIDI programs.
constexpr int kInstrumentCount = 128;

// Name of General MIDI program 0-127 (UTF-8), or an empty text for any other number. The
// texts are kept exactly as the game shows them, with both the full-width "・" and the
// half-width "･" middle dots and the ideographic spaces of the two string sections.
const char *GetInstrumentName(int program);
